// Names on disk are bytes, and every byte string a filesystem can hold must
// come back from the windows exactly as it went in: a name that turned into
// another name on the way to the trash would move the wrong file, or none.

#include "files/FileNames.h"
#include "Property.h"

#include <cstdint>
#include <cstring>
#include <QString>
#include <QStringDecoder>

namespace {

bool hasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quorvel;
    const QByteArrayView bytes(data, qsizetype(size));

    // Any bytes, decoded for the windows and encoded back, are the same bytes.
    const QString name = files::decodeFileName(bytes);
    QUORVEL_REQUIRE(files::encodeFileName(name) == bytes);
    // And a decoded name is stable: it does not drift on a second round.
    QUORVEL_REQUIRE(files::decodeFileName(files::encodeFileName(name)) == name);

    // Valid UTF-8 reads as any UTF-8 reader reads it; only invalid bytes are
    // escaped, each as one lone surrogate.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString reference = utf8.decode(bytes);
    if (!utf8.hasError())
        QUORVEL_REQUIRE(name == reference);
    else
        QUORVEL_REQUIRE(hasLoneSurrogate(name));

    // The same input read as UTF-16 text, the way a name typed or built in
    // the program reaches the encoder.
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, (size / 2) * sizeof(char16_t));
    const QByteArray encoded = files::encodeFileName(text);
    // Whatever the text, its encoding is a name that round-trips from then on.
    QUORVEL_REQUIRE(files::encodeFileName(files::decodeFileName(encoded)) == encoded);
    if (!hasLoneSurrogate(text)) {
        // Proper text is plain UTF-8 and comes back unchanged.
        QUORVEL_REQUIRE(encoded == text.toUtf8());
        QUORVEL_REQUIRE(files::decodeFileName(encoded) == text);
    }
    // NUL and "/" can't be smuggled in: the encoder writes them only where
    // the text has them.
    QUORVEL_REQUIRE(encoded.count('\0') == text.count(QChar(u'\0')));
    QUORVEL_REQUIRE(encoded.count('/') == text.count(QChar(u'/')));
    return 0;
}
