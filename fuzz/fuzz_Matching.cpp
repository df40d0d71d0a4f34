// Which RAW files the trim moves: those whose base name equals the base name
// of no picture. Checked against the rule applied pair by pair, as a person
// would check it, for any names at all.

#include "files/FileNames.h"
#include "Property.h"
#include "trimming/Matching.h"

#include <cstdint>
#include <QStringList>

namespace {

// Names separated by "/", which no name on disk can hold.
QStringList namesFrom(QByteArrayView bytes)
{
    QStringList names;
    if (bytes.isEmpty())
        return names;
    qsizetype start = 0;
    for (;;) {
        const qsizetype slash = bytes.indexOf('/', start);
        const qsizetype end = slash < 0 ? bytes.size() : slash;
        names.append(quorvel::files::decodeFileName(bytes.sliced(start, end - start)));
        if (slash < 0)
            break;
        start = slash + 1;
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quorvel;
    // RAW names, then after the first NUL the picture names.
    const QByteArrayView bytes(data, qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    const QStringList raws = namesFrom(split < 0 ? bytes : bytes.first(split));
    const QStringList pictures = namesFrom(split < 0 ? QByteArrayView() : bytes.sliced(split + 1));

    for (const QStringList *list : {&raws, &pictures}) {
        for (const QString &name : *list) {
            const QStringView base = trimming::baseName(name);
            // A prefix of the name: all up to its last ".", or all of it.
            QUORVEL_REQUIRE(QStringView(name).startsWith(base));
            const QStringView rest = QStringView(name).sliced(base.size());
            if (rest.isEmpty())
                QUORVEL_REQUIRE(!name.contains(u'.'));
            else
                QUORVEL_REQUIRE(rest.startsWith(u'.') && rest.count(u'.') == 1);
        }
    }

    const std::vector<int> unmatched = trimming::unmatchedRawFiles(raws, pictures);
    std::vector<int> expected;
    for (qsizetype i = 0; i < raws.size(); ++i) {
        bool match = false;
        for (const QString &picture : pictures) {
            if (trimming::baseName(raws.at(i)) == trimming::baseName(picture))
                match = true;
        }
        if (!match)
            expected.push_back(int(i));
    }
    QUORVEL_REQUIRE(unmatched == expected);

    // A RAW name that is also a picture's name always stays.
    for (const int index : unmatched)
        QUORVEL_REQUIRE(!pictures.contains(raws.at(index)));
    // The same list on both sides keeps everything.
    QUORVEL_REQUIRE(trimming::unmatchedRawFiles(raws, raws).empty());
    return 0;
}
