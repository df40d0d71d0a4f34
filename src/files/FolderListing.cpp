#include "files/FolderListing.h"

#include "files/FileNames.h"
#include "files/FolderSnapshot.h"
#include "files/WildcardPattern.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <type_traits>
#include <vector>

namespace quorvel::files::FolderListing {
namespace {

inline char16_t foldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// Where a and b first differ from position from on, n at most. Names in one
// folder tend to share a long start (DSC_0, IMG_2007...), which this skips
// eight bytes at a time. A and B are char16_t for names as text, or unsigned
// char for names that are plain ASCII, whose bytes are their code units.
template <typename A, typename B>
inline qsizetype firstDifference(const A *a, const B *b, qsizetype from, qsizetype n)
{
    qsizetype i = from;
    if constexpr (std::is_same_v<A, B>) {
        constexpr qsizetype step = 8 / sizeof(A);
        for (; i + step <= n; i += step) {
            quint64 x;
            quint64 y;
            std::memcpy(&x, a + i, sizeof x);
            std::memcpy(&y, b + i, sizeof y);
            if (x != y)
                break;
        }
    }
    while (i < n && char16_t(a[i]) == char16_t(b[i]))
        ++i;
    return i;
}

// The order of both listings as a three-way comparison (see lessThan()).
// Only the code units where the names differ are folded: folding every
// character of both names made the sort a third of a listing's time.
template <typename A, typename B>
inline int compareNames(const A *pa, qsizetype sizeA, const B *pb, qsizetype sizeB)
{
    const qsizetype n = std::min(sizeA, sizeB);
    qsizetype caseDifference = -1;
    for (qsizetype i = firstDifference(pa, pb, 0, n); i < n;
         i = firstDifference(pa, pb, i + 1, n)) {
        const char16_t ca = foldAscii(char16_t(pa[i]));
        const char16_t cb = foldAscii(char16_t(pb[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (caseDifference < 0)
            caseDifference = i;
    }
    if (sizeA != sizeB)
        return sizeA < sizeB ? -1 : 1;
    if (caseDifference >= 0)
        return char16_t(pa[caseDifference]) < char16_t(pb[caseDifference]) ? -1 : 1;
    return 0;
}

inline int compareNames(QStringView a, QStringView b)
{
    return compareNames(a.utf16(), a.size(), b.utf16(), b.size());
}

// One listed name while the listing is sorted: the start of the name, folded,
// in 16 bytes that compare as the names do, and where the name is. Those 16
// bytes hold a whole camera file name, so the sort seldom has to go to the
// names themselves: with the names compared directly, the sort was still the
// biggest part of a listing. A non-ASCII code unit ends what the key can tell;
// from there on it is filled with 0xFF, above any ASCII and above the end of a
// shorter name (0), and equal keys are left to compareNames(). A name that is
// not plain ASCII is compared as the text it shows (wide), decoded once.
struct SortEntry
{
    quint64 high;
    quint64 low;
    quint32 entry; // in the reading
    qint32 wide;   // in the decoded names, or -1 for a plain ASCII name
};

SortEntry sortEntryOf(QByteArrayView name, quint32 entry, qint32 wide)
{
    unsigned char key[16] = {};
    const qsizetype n = std::min<qsizetype>(name.size(), sizeof key);
    for (qsizetype i = 0; i < n; ++i) {
        // A byte from 0x80 up starts a code unit from 0x80 up, whether it
        // decodes as UTF-8 or stands for itself (see decodeFileName()).
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte >= 0x80) {
            std::fill(key + i, key + sizeof key, 0xFF);
            break;
        }
        key[i] = static_cast<unsigned char>(foldAscii(byte));
    }
    const auto bigEndian = [](const unsigned char *bytes) {
        quint64 value = 0;
        for (int i = 0; i < 8; ++i)
            value = (value << 8) | bytes[i];
        return value;
    };
    return {bigEndian(key), bigEndian(key + 8), entry, wide};
}

bool isPlainAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

template <typename Accept>
NameList list(const FolderSnapshot &reading, FolderSnapshot::Kind wanted, Accept accept)
{
    // The entries taken, first as bare indexes (4 bytes each): the sort
    // entries are then made to the exact count. Grown as they were found, the
    // sort entries' spare room and the copies on the way made a listing's
    // peak memory a third more than it needed.
    std::vector<quint32> taken;
    std::vector<QString> wide; // the listed names that are not plain ASCII
    qsizetype totalBytes = 0;
    // Most names on a card are plain ASCII: those are matched in place, and
    // only the others are decoded, once.
    char16_t ascii[NAME_MAX + 1];
    for (qsizetype i = 0; i < reading.size(); ++i) {
        if (reading.kind(i) != wanted)
            continue;
        const QByteArrayView bytes = reading.name(i);
        if (isPlainAscii(bytes)) {
            std::copy(bytes.begin(), bytes.end(), ascii);
            if (!accept(QStringView(ascii, bytes.size())))
                continue;
        } else {
            QString name = decodeFileName(bytes);
            if (!accept(name))
                continue;
            wide.push_back(std::move(name));
        }
        taken.push_back(quint32(i));
        totalBytes += bytes.size();
    }
    std::vector<SortEntry> entries;
    entries.reserve(taken.size());
    qint32 nextWide = 0;
    for (const quint32 i : taken) {
        const QByteArrayView bytes = reading.name(i);
        entries.push_back(sortEntryOf(bytes, i, isPlainAscii(bytes) ? -1 : nextWide++));
    }
    std::vector<quint32>().swap(taken);

    std::sort(entries.begin(), entries.end(), [&](const SortEntry &a, const SortEntry &b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        // Each name as code units: its bytes when plain ASCII, else its text.
        const auto compare = [&](const auto *pa, qsizetype na, const SortEntry &other) {
            if (other.wide >= 0) {
                const QString &text = wide[size_t(other.wide)];
                return compareNames(pa, na, text.utf16(), text.size());
            }
            const QByteArrayView bytes = reading.name(other.entry);
            return compareNames(pa, na, reinterpret_cast<const unsigned char *>(bytes.data()),
                                bytes.size());
        };
        if (a.wide >= 0) {
            const QString &text = wide[size_t(a.wide)];
            return compare(text.utf16(), text.size(), b) < 0;
        }
        const QByteArrayView bytes = reading.name(a.entry);
        return compare(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), b) < 0;
    });

    NameList names;
    names.reserve(qsizetype(entries.size()), totalBytes);
    for (const SortEntry &entry : entries)
        names.append(reading.name(entry.entry));
    return names;
}

} // namespace

QStringList files(const QString &folder, const WildcardPattern &pattern)
{
    return fileNames(FolderSnapshot(folder), pattern).toStringList();
}

NameList fileNames(const QString &folder, const WildcardPattern &pattern)
{
    return fileNames(FolderSnapshot(folder), pattern);
}

QStringList subfolders(const QString &folder)
{
    return subfolders(FolderSnapshot(folder));
}

QStringList files(const FolderSnapshot &reading, const WildcardPattern &pattern)
{
    return fileNames(reading, pattern).toStringList();
}

NameList fileNames(const FolderSnapshot &reading, const WildcardPattern &pattern)
{
    return list(reading, FolderSnapshot::Kind::File,
                [&](QStringView name) { return pattern.matches(name); });
}

QStringList subfolders(const FolderSnapshot &reading)
{
    return list(reading, FolderSnapshot::Kind::Folder, [](QStringView) { return true; })
        .toStringList();
}

// Case-insensitive code-unit order, ties broken by exact order: what users know
// from file managers for camera names (IMG_0001.JPG beside img_0001.jpg), the
// same on every locale so a trim always runs in the same order, and an order of
// magnitude cheaper than QCollator on a card of 100,000 names.
bool lessThan(const QString &a, const QString &b)
{
    return compareNames(a, b) < 0;
}

} // namespace quorvel::files::FolderListing
