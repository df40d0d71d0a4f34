// The picture checks that walk a file's own bytes: which format it is, and
// whether a JPEG or BMP is whole. They run on every file the viewer opens,
// and a file's header can claim anything: lengths that point past its end,
// sizes whose pixels overflow any number. Whatever the bytes, they must end,
// stay inside the file, and only call whole what has the marks of a whole file.

#include "pictures/FileFormat.h"
#include "Property.h"

#include <cstdint>
#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quorvel::pictures;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray format = FileFormat::of(bytes);
    if (!format.isEmpty())
        QUORVEL_REQUIRE(FileFormat::of(bytes.first(qMin<qsizetype>(12, bytes.size()))) == format);

    // Every check on every file: the viewer asks by the format of the head,
    // but a check must hold up on any bytes.
    for (const char *checked : {"jpeg", "bmp", "png"}) {
        QBuffer file;
        file.setData(bytes);
        QUORVEL_REQUIRE(file.open(QIODevice::ReadOnly));
        const bool whole = FileFormat::isComplete(file, checked);
        // A whole JPEG ends its image somewhere; a whole uncompressed BMP
        // has at least its headers.
        if (whole && qstrcmp(checked, "jpeg") == 0)
            QUORVEL_REQUIRE(bytes.contains(QByteArrayView("\xFF\xD9", 2)));
        if (whole && qstrcmp(checked, "bmp") == 0)
            QUORVEL_REQUIRE(bytes.size() >= 26);
    }
    return 0;
}
