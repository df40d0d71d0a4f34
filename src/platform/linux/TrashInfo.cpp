#include "platform/linux/TrashInfo.h"

#include <QDateTime>
#include <QStringBuilder>

namespace quorvel::platform {
namespace {

// Longer "extensions" are more likely part of the name than a type worth
// keeping, and keeping them could leave almost nothing of the name itself.
constexpr qsizetype maxKeptExtension = 32;

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cuts at most limit bytes off the front of text, backing off so that a UTF-8
// character is not split: a half character would leave the trash listing with
// a name no file manager can show.
QByteArrayView cutToLimit(QByteArrayView text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    qsizetype cut = limit;
    for (int backed = 0; cut > 0 && backed < 3 && isContinuation(text[cut]); ++backed)
        --cut;
    return text.first(cut);
}

} // namespace

QByteArray percentEncodePath(QByteArrayView path)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    const auto kept = [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return isUnreserved(c) || c == '/';
    };
    // Measured first and then written in place: every trashed file has one.
    qsizetype bytes = 0;
    for (const char ch : path)
        bytes += kept(ch) ? 1 : 3;
    QByteArray out(bytes, Qt::Uninitialized);
    char *next = out.data();
    for (const char ch : path) {
        if (kept(ch)) {
            *next++ = ch;
        } else {
            const auto c = static_cast<unsigned char>(ch);
            *next++ = '%';
            *next++ = digits[c >> 4];
            *next++ = digits[c & 0xF];
        }
    }
    return out;
}

QByteArray percentDecodePath(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (text[i] == '%' && i + 2 < size) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.append(char(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.append(text[i]);
    }
    return out;
}

QByteArray trashInfoDate(const QDateTime &deletionDate)
{
    return deletionDate.toLocalTime().toString(QStringLiteral("yyyy-MM-dd'T'hh:mm:ss")).toLatin1();
}

QByteArray trashInfoText(QByteArrayView path, QByteArrayView deletionDate)
{
    return "[Trash Info]\nPath=" % percentEncodePath(path) % "\nDeletionDate=" % deletionDate %
           "\n";
}

QByteArray trashInfoText(QByteArrayView path, const QDateTime &deletionDate)
{
    return trashInfoText(path, QByteArrayView(trashInfoDate(deletionDate)));
}

QByteArray trashedName(QByteArrayView name, int attempt)
{
    constexpr qsizetype limit = maxNameBytes - trashInfoSuffix.size();
    if (attempt <= 1 && name.size() <= limit)
        return name.toByteArray();

    // A leading dot marks a hidden file, and a trailing one ends no extension.
    const qsizetype dot = name.lastIndexOf('.');
    const bool hasExtension =
        dot > 0 && dot < name.size() - 1 && name.size() - dot <= maxKeptExtension;
    const QByteArrayView stem = hasExtension ? name.first(dot) : name;
    const QByteArrayView extension = hasExtension ? name.sliced(dot) : QByteArrayView();

    QByteArray suffix;
    if (attempt > 1)
        suffix = '.' + QByteArray::number(attempt);
    suffix.append(extension);

    QByteArray out = cutToLimit(stem, limit - suffix.size()).toByteArray();
    out.append(suffix);
    return out;
}

} // namespace quorvel::platform
