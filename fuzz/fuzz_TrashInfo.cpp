// What a trashed file is called in the trash, and the Path= line that says
// where it goes back to. Any bytes a filesystem allows in a path must be
// written so that every trash reader decodes them to the same bytes, and the
// name in the trash must be one the filesystem takes.

#include "platform/linux/TrashInfo.h"
#include "Property.h"

#include <cstdint>
#include <QDateTime>
#include <QStringDecoder>
#include <QTimeZone>

namespace {

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(bytes);
    return !utf8.hasError();
}

void checkPath(QByteArrayView path)
{
    using namespace quorvel;
    const QByteArray encoded = platform::percentEncodePath(path);
    QUORVEL_REQUIRE(platform::percentDecodePath(encoded) == path);
    // Only URI-safe characters, "/" and %XX escapes: nothing a line-based
    // key=value file or a URI decoder could read differently.
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '%') {
            QUORVEL_REQUIRE(i + 2 < encoded.size() && isHex(encoded[i + 1]) &&
                            isHex(encoded[i + 2]));
            i += 2;
            continue;
        }
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '~' ||
                          c == '/';
        QUORVEL_REQUIRE(safe);
    }

    // The whole info file: three lines, and Path= gives the path back.
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1196467200, QTimeZone::utc());
    const QByteArray info = platform::trashInfoText(path, when);
    const QByteArrayList lines = info.split('\n');
    QUORVEL_REQUIRE(lines.size() == 4 && lines[3].isEmpty());
    QUORVEL_REQUIRE(lines[0] == "[Trash Info]");
    QUORVEL_REQUIRE(lines[1].startsWith("Path="));
    QUORVEL_REQUIRE(platform::percentDecodePath(lines[1].sliced(5)) == path);
    QUORVEL_REQUIRE(lines[2].startsWith("DeletionDate=") && lines[2].size() == 13 + 19);

    // Decoding never invents bytes: text without "%" is itself, and the
    // result is never longer than the text.
    const QByteArray decoded = platform::percentDecodePath(path);
    QUORVEL_REQUIRE(decoded.size() <= path.size());
    if (!path.contains('%'))
        QUORVEL_REQUIRE(decoded == path);
}

void checkTrashedName(QByteArrayView name, int attempt)
{
    using namespace quorvel;
    constexpr qsizetype room = platform::maxNameBytes - platform::trashInfoSuffix.size();
    const QByteArray inTrash = platform::trashedName(name, attempt);

    // Fits, with its .trashinfo twin, in one folder entry.
    QUORVEL_REQUIRE(inTrash.size() <= room);
    QUORVEL_REQUIRE(!inTrash.isEmpty());
    // The first try keeps a name that fits, exactly.
    if (attempt <= 1 && name.size() <= room)
        QUORVEL_REQUIRE(inTrash == name);
    // Nothing that was not in the name: no separator, no NUL, and never a
    // name that means the folder itself or its parent.
    QUORVEL_REQUIRE(inTrash.count('/') <= name.count('/'));
    QUORVEL_REQUIRE(inTrash.count('\0') <= name.count('\0'));
    if (inTrash == "." || inTrash == "..")
        QUORVEL_REQUIRE(inTrash == name);
    // A name the file managers can show stays one.
    if (isValidUtf8(name))
        QUORVEL_REQUIRE(isValidUtf8(inTrash));

    // Later tries carry their number, and the extension (the file's type)
    // survives every try.
    const qsizetype dot = name.lastIndexOf('.');
    const bool hasExtension = dot > 0 && dot < name.size() - 1 && name.size() - dot <= 32;
    const QByteArrayView extension = hasExtension ? name.sliced(dot) : QByteArrayView();
    const QByteArrayView stem = hasExtension ? name.first(dot) : name;
    QByteArray suffix = attempt > 1 ? '.' + QByteArray::number(attempt) : QByteArray();
    suffix.append(extension);
    if (attempt > 1 || name.size() > room) {
        QUORVEL_REQUIRE(inTrash.endsWith(suffix));
        const QByteArrayView kept = QByteArrayView(inTrash).chopped(suffix.size());
        QUORVEL_REQUIRE(stem.startsWith(kept));
        // Shortened no more than needed: at most a split character backed off.
        QUORVEL_REQUIRE(kept.size() >= std::min(stem.size(), room - suffix.size()) - 3);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    checkPath(bytes);

    // A name (what a folder entry may hold: no "/", no NUL) and an attempt number.
    if (size < 3)
        return 0;
    const int attempt = 1 + ((data[0] << 8 | data[1]) % 100000);
    QByteArray name = bytes.sliced(2).first(std::min<qsizetype>(size - 2, 255)).toByteArray();
    name.replace('/', '_').replace('\0', '_');
    if (name.isEmpty())
        return 0;
    checkTrashedName(name, attempt);
    checkTrashedName(name, 1);
    return 0;
}
