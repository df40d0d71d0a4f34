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

// The positions, from 0 to count, in the order of the names nameOf() gives
// for them.
template <typename NameOf> std::vector<quint32> ascending(quint32 count, NameOf nameOf)
{
    // Most names on a card are plain ASCII: those compare as their bytes, and
    // only the others are decoded, once.
    std::vector<QString> wide;
    std::vector<SortEntry> entries;
    entries.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const QByteArrayView bytes = nameOf(i);
        qint32 at = -1;
        if (!isPlainAscii(bytes)) {
            at = qint32(wide.size());
            wide.push_back(decodeFileName(bytes));
        }
        entries.push_back(sortEntryOf(bytes, i, at));
    }

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
            const QByteArrayView bytes = nameOf(other.entry);
            return compareNames(pa, na, reinterpret_cast<const unsigned char *>(bytes.data()),
                                bytes.size());
        };
        if (a.wide >= 0) {
            const QString &text = wide[size_t(a.wide)];
            return compare(text.utf16(), text.size(), b) < 0;
        }
        const QByteArrayView bytes = nameOf(a.entry);
        return compare(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), b) < 0;
    });
    std::vector<quint32> order;
    order.reserve(entries.size());
    for (const SortEntry &entry : entries)
        order.push_back(entry.entry);
    return order;
}

// One listing under construction: the entries of the reading it takes, as
// bare indexes (4 bytes each), so that the list is then made to its exact
// size; grown as they were found, the names' spare room and the copies on
// the way made a listing's peak memory a third more than it needed.
struct Taken
{
    std::vector<quint32> entries;
    qsizetype bytes = 0;

    void add(quint32 entry, qsizetype size)
    {
        entries.push_back(entry);
        bytes += size;
    }
    NameList names(const FolderSnapshot &reading, Order order) const
    {
        NameList names;
        names.reserve(qsizetype(entries.size()), bytes);
        if (order == Order::AsRead) {
            for (const quint32 entry : entries)
                names.append(reading.name(entry));
            return names;
        }
        const std::vector<quint32> sorted =
            ascending(quint32(entries.size()), [&](quint32 i) { return reading.name(entries[i]); });
        for (const quint32 i : sorted)
            names.append(reading.name(entries[i]));
        return names;
    }
};

// Each entry of the wanted kind goes through every accept() in one pass, its
// name made text once for all of them; taken[k] keeps those accept(k) takes.
template <size_t N, typename Accept>
void take(const FolderSnapshot &reading, FolderSnapshot::Kind wanted, Accept accept,
          Taken (&taken)[N])
{
    char16_t ascii[NAME_MAX + 1];
    for (qsizetype i = 0; i < reading.size(); ++i) {
        if (reading.kind(i) != wanted)
            continue;
        const QByteArrayView bytes = reading.name(i);
        // Widened and checked for plain ASCII in the same pass: a card's
        // 100,000 names went through twice.
        unsigned char seen = 0;
        for (qsizetype k = 0; k < bytes.size(); ++k) {
            const auto byte = static_cast<unsigned char>(bytes[k]);
            seen |= byte;
            ascii[k] = byte;
        }
        QString decoded;
        QStringView name(ascii, bytes.size());
        if (seen >= 0x80) {
            decoded = decodeFileName(bytes);
            name = decoded;
        }
        for (size_t k = 0; k < N; ++k) {
            if (accept(k, name))
                taken[k].add(quint32(i), bytes.size());
        }
    }
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

NameList fileNames(const FolderSnapshot &reading, const WildcardPattern &pattern, Order order)
{
    Taken taken[1];
    take(
        reading, FolderSnapshot::Kind::File,
        [&](size_t, QStringView name) { return pattern.matches(name); }, taken);
    return taken[0].names(reading, order);
}

std::pair<NameList, NameList> fileNames(const FolderSnapshot &reading, const WildcardPattern &first,
                                        Order firstOrder, const WildcardPattern &second,
                                        Order secondOrder)
{
    Taken taken[2];
    take(
        reading, FolderSnapshot::Kind::File,
        [&](size_t k, QStringView name) { return (k == 0 ? first : second).matches(name); }, taken);
    return {taken[0].names(reading, firstOrder), taken[1].names(reading, secondOrder)};
}

QStringList subfolders(const FolderSnapshot &reading)
{
    Taken taken[1];
    take(
        reading, FolderSnapshot::Kind::Folder, [](size_t, QStringView) { return true; }, taken);
    return taken[0].names(reading, Order::Ascending).toStringList();
}

std::vector<qsizetype> ascendingOrder(const NameList &names)
{
    const std::vector<quint32> sorted =
        ascending(quint32(names.size()), [&](quint32 i) { return names.bytes(i); });
    return std::vector<qsizetype>(sorted.begin(), sorted.end());
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
