#!/bin/sh
# Takes the screenshots shown in the README: the main window on a sample
# folder, the viewer showing one of its pictures, and the About box. The
# program runs on a private X server and is driven with real key and mouse
# input, so the pictures show what a user sees.
#
#   tools/screenshots.sh [path/to/quorvel] [output folder]
#
# Needs Xvfb, xdotool and ImageMagick (convert, import).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
binary=${1:-$here/build/quorvel}
out=${2:-$here/docs/screenshots}
binary=$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")
mkdir -p "$out"
out=$(cd "$out" && pwd)

for tool in Xvfb xdotool convert import; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 2; }
done
[ -x "$binary" ] || { echo "$0: no program at $binary" >&2; exit 2; }

# The folder list shows the whole path, so the sample folder gets a readable
# one rather than a random temporary name.
work=${TMPDIR:-/tmp}/quorvel-demo
mkdir "$work" 2>/dev/null || { echo "$0: $work exists; is another run going on?" >&2; exit 1; }
server=
program=
finish() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT INT TERM

# A card's worth of shots after the cull: twelve RAW files, of which four
# have lost their JPEG.
photos=$work/Photos/2026-12-07
mkdir -p "$photos" "$work/home/.local/share" "$work/runtime"
chmod 700 "$work/runtime"
n=0
for colours in skyblue-seagreen gold-firebrick lightsteelblue-navy khaki-olivedrab \
               plum-darkslateblue lightsalmon-sienna palegreen-darkgreen lavender-slategray \
               wheat-peru lightcyan-teal orange-maroon thistle-purple; do
    n=$((n + 1))
    name=$(printf 'DSC_%04d' $((4310 + n)))
    case $n in
        3|6|7|11) ;;
        *) convert -size 1200x800 -seed "$n" "plasma:$colours" -blur 0x6 \
                   -quality 85 "$photos/$name.jpg" ;;
    esac
    # Stand-ins for the RAW files: only their names matter to the lists.
    head -c 4096 /dev/urandom > "$photos/$name.NEF"
done
# A portrait shot, to show the viewer's fit to the box.
convert -size 800x1200 -seed 42 plasma:lightyellow-darkorange -blur 0x6 \
        -quality 85 "$photos/DSC_4308.jpg"
head -c 4096 /dev/urandom > "$photos/DSC_4308.NEF"

# A display of our own: the server picks a free number and announces it.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
server=$!
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1))
    [ $tries -lt 150 ] || { echo "$0: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=:$(head -n 1 "$work/display")

wait_for() { # title regex -> window id
    tries=0
    while :; do
        window=$(xdotool search --all --onlyvisible --pid "$program" --name "$1" 2>/dev/null \
                 | head -n 1 || true)
        [ -n "$window" ] && { echo "$window"; return 0; }
        tries=$((tries + 1))
        [ $tries -lt 150 ] || { echo "$0: no window titled $1" >&2; return 1; }
        sleep 0.1
    done
}
keys() { # window keys...
    window=$1
    shift
    xdotool windowfocus --sync "$window"
    sleep 0.2
    xdotool key --delay 100 "$@"
}
shoot() { # window file
    sleep 0.8
    import -window "$1" "$out/$2"
    echo "$out/$2"
}

cd "$photos"
HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/runtime \
    QT_QPA_PLATFORM=xcb "$binary" &
program=$!
cd "$here"

main=$(wait_for '^Quorvel$')
# Walk to the picture list with the keyboard (Tab follows the window's tab
# order: folder, drive, count, RAW list, count, patterns, buttons, pictures)
# and pick the third picture, as a user culling the card would.
keys "$main" Tab Tab Tab Tab Tab Tab Tab Tab Tab
keys "$main" Down Down Down
shoot "$main" main-window.png

keys "$main" alt+p
viewer=$(wait_for '^Quorvel - Show picture$')
shoot "$viewer" viewer.png
keys "$viewer" alt+c

keys "$main" alt+h
sleep 0.3
xdotool key a
about=$(wait_for '^About Quorvel$')
shoot "$about" about.png
keys "$about" Escape

kill "$program"
wait "$program" 2>/dev/null || true
program=
