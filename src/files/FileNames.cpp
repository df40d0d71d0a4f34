#include "files/FileNames.h"

namespace quorvel::files {
namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence starting at data[i], or 0 when the byte
// there does not start one (overlong forms, encoded surrogates and code points
// beyond U+10FFFF are invalid, as in Unicode's own definition).
qsizetype validSequenceLength(const unsigned char *data, qsizetype size, qsizetype i, char32_t &cp)
{
    const unsigned char c = data[i];
    qsizetype len = 0;
    char32_t min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > size)
        return 0;
    for (qsizetype k = 1; k < len; ++k) {
        if (!isContinuation(data[i + k]))
            return 0;
        cp = (cp << 6) | (data[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

QString decodeFileName(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();

    qsizetype i = 0;
    while (i < size && data[i] < 0x80)
        ++i;
    if (i == size) // the usual case on a camera card: plain ASCII
        return QString::fromLatin1(bytes.data(), size);

    QString out;
    out.reserve(size);
    for (qsizetype k = 0; k < i; ++k)
        out.append(QChar(char16_t(data[k])));
    while (i < size) {
        const unsigned char c = data[i];
        if (c < 0x80) {
            out.append(QChar(char16_t(c)));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const qsizetype len = validSequenceLength(data, size, i, cp);
        if (len == 0) {
            out.append(QChar(char16_t(escapeBase + c)));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += len;
    }
    return out;
}

QByteArray encodeFileName(QStringView name)
{
    // Measured first and then written in place: a trim encodes every name it
    // moves, and growing the array a byte at a time cost more than the trash.
    const qsizetype size = name.size();
    const auto isPair = [&name, size](qsizetype i) {
        return QChar::isHighSurrogate(name[i].unicode()) && i + 1 < size &&
               name[i + 1].isLowSurrogate();
    };
    const auto isEscape = [](char16_t u) {
        return u >= escapeBase + 0x80 && u <= escapeBase + 0xFF;
    };
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = name[i].unicode();
        if (u < 0x80 || isEscape(u))
            bytes += 1;
        else if (u < 0x800)
            bytes += 2;
        else if (!isPair(i))
            bytes += 3;
        else {
            bytes += 4;
            ++i;
        }
    }

    QByteArray out(bytes, Qt::Uninitialized);
    char *next = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = name[i].unicode();
        if (u < 0x80) {
            *next++ = char(u);
        } else if (u < 0x800) {
            *next++ = char(0xC0 | (u >> 6));
            *next++ = char(0x80 | (u & 0x3F));
        } else if (isPair(i)) {
            const char32_t cp = QChar::surrogateToUcs4(u, name[i + 1].unicode());
            ++i;
            *next++ = char(0xF0 | (cp >> 18));
            *next++ = char(0x80 | ((cp >> 12) & 0x3F));
            *next++ = char(0x80 | ((cp >> 6) & 0x3F));
            *next++ = char(0x80 | (cp & 0x3F));
        } else if (isEscape(u)) {
            *next++ = char(u - escapeBase); // an escaped byte goes back as itself
        } else {
            // Any other lone surrogate cannot come from a name on disk; it is
            // written as its three-byte form, which decodes back as escapes.
            *next++ = char(0xE0 | (u >> 12));
            *next++ = char(0x80 | ((u >> 6) & 0x3F));
            *next++ = char(0x80 | (u & 0x3F));
        }
    }
    return out;
}

namespace {

bool changesLayout(char16_t u)
{
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x061C || u == 0x200E || u == 0x200F ||
           (u >= 0x2028 && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

} // namespace

QString visibleName(QStringView name)
{
    QString shown;
    shown.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (!changesLayout(u)) {
            shown.append(c);
        } else if (u == u'\n') {
            shown.append(u"\\n");
        } else if (u == u'\r') {
            shown.append(u"\\r");
        } else if (u == u'\t') {
            shown.append(u"\\t");
        } else if (u < 0x100) {
            shown.append(QStringLiteral("\\x") + QString::number(u, 16).rightJustified(2, u'0'));
        } else {
            shown.append(QStringLiteral("\\u") +
                         QString::number(u, 16).toUpper().rightJustified(4, u'0'));
        }
    }
    return shown;
}

QString joinPath(QStringView folder, QStringView name)
{
    QString path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    if (!folder.endsWith(u'/'))
        path.append(u'/');
    path.append(name);
    return path;
}

} // namespace quorvel::files
