// The full path of a listed file: the folder, one separator, the name. The
// trim moves whatever this path names, so it must name exactly the listed
// file in exactly the listed folder.

#include "files/FileNames.h"
#include "Property.h"

#include <cstdint>
#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quorvel;
    // Folder and name, split at the first NUL: neither can hold one on disk.
    const QByteArrayView bytes(data, qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    const QString folder = files::decodeFileName(split < 0 ? bytes : bytes.first(split));
    const QString name =
        files::decodeFileName(split < 0 ? QByteArrayView() : bytes.sliced(split + 1));

    const QString path = files::joinPath(folder, name);
    QUORVEL_REQUIRE(path.startsWith(folder));
    QUORVEL_REQUIRE(path.endsWith(name));
    // Exactly one separator between them, whether or not the folder ends in one.
    const QStringView between = QStringView(path).sliced(folder.size()).chopped(name.size());
    if (folder.endsWith(u'/'))
        QUORVEL_REQUIRE(between.isEmpty());
    else
        QUORVEL_REQUIRE(between == u"/");
    QUORVEL_REQUIRE(path.size() == folder.size() + between.size() + name.size());

    // A name as the disk gives it (no "/") is the path's last component, and
    // what is left is the folder itself.
    if (!name.isEmpty() && !name.contains(u'/')) {
        const qsizetype slash = path.lastIndexOf(u'/');
        QUORVEL_REQUIRE(QStringView(path).sliced(slash + 1) == name);
        QStringView parent = QStringView(path).first(slash + 1);
        QStringView given = folder;
        if (!given.endsWith(u'/'))
            QUORVEL_REQUIRE(parent.chopped(1) == given);
        else
            QUORVEL_REQUIRE(parent == given);
    }
    // The bytes of the path are the folder's bytes and the name's bytes.
    const QByteArray encoded = files::encodeFileName(path);
    QUORVEL_REQUIRE(encoded.startsWith(files::encodeFileName(folder)));
    QUORVEL_REQUIRE(encoded.endsWith(files::encodeFileName(name)));
    return 0;
}
