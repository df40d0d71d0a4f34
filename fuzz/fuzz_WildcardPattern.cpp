// The file pattern decides which files a list shows, and so which files the
// trim may move. The matcher is checked against a plain dynamic-programming
// matcher written from the rules, and against rules that hold for any name:
// a name without ";" always matches itself taken as a pattern, another
// pattern after ";" only adds names, and letter case never counts.

#include "files/FileNames.h"
#include "files/WildcardPattern.h"
#include "Property.h"

#include <cstdint>
#include <QList>
#include <QString>
#include <vector>

namespace {

char16_t fold(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return QChar::toCaseFolded(c);
}

// A character is one code unit, or two for a surrogate pair.
qsizetype step(QStringView name, qsizetype n)
{
    return n + 1 < name.size() && name[n].isHighSurrogate() && name[n + 1].isLowSurrogate() ? 2 : 1;
}

// reach[p][n]: the first p pattern units can take the first n name units.
bool tableMatch(QStringView pattern, QStringView name)
{
    const qsizetype pSize = pattern.size();
    const qsizetype nSize = name.size();
    std::vector<std::vector<char>> reach(size_t(pSize + 1),
                                         std::vector<char>(size_t(nSize + 1), 0));
    reach[0][0] = 1;
    for (qsizetype p = 0; p < pSize; ++p) {
        const char16_t pc = fold(pattern[p].unicode());
        for (qsizetype n = 0; n <= nSize; ++n) {
            if (!reach[p][n])
                continue;
            if (pc == u'*') {
                reach[p + 1][n] = 1;
                // "*" takes one more character, then may go on taking.
                if (n < nSize)
                    reach[p][n + step(name, n)] = 1;
            } else if (n < nSize) {
                if (pc == u'?')
                    reach[p + 1][n + step(name, n)] = 1;
                else if (pc == fold(name[n].unicode()))
                    reach[p + 1][n + 1] = 1;
            }
        }
    }
    return reach[pSize][nSize];
}

// "*.tif" also takes scan.tiff: a pattern ending in a three-character
// extension without "*" also matches a name cut after three characters of
// its longer extension.
bool alternativeMatch(QStringView pattern, QStringView name)
{
    if (tableMatch(pattern, name))
        return true;
    const qsizetype patternDot = pattern.lastIndexOf(u'.');
    if (patternDot < 0 || pattern.size() - patternDot - 1 != 3 ||
        pattern.sliced(patternDot).contains(u'*'))
        return false;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || name.size() - dot - 1 <= 3)
        return false;
    return tableMatch(pattern, name.first(dot + 4));
}

// Patterns separated by ";" take what any one of them takes.
bool referenceMatch(QStringView pattern, QStringView name)
{
    for (const QStringView alternative : pattern.split(u';')) {
        if (alternativeMatch(alternative, name))
            return true;
    }
    return false;
}

QString swapAsciiCase(QStringView text)
{
    QString out = text.toString();
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(char16_t(u - 32));
        else if (u >= u'A' && u <= u'Z')
            c = QChar(char16_t(u + 32));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using quorvel::files::WildcardPattern;
    // Pattern and name, split at the first NUL, each decoded as a name on disk is.
    const QByteArrayView bytes(data, qsizetype(size));
    const qsizetype split = bytes.indexOf('\0');
    const QString patternText =
        quorvel::files::decodeFileName(split < 0 ? bytes : bytes.first(split));
    const QString name =
        quorvel::files::decodeFileName(split < 0 ? QByteArrayView() : bytes.sliced(split + 1));
    // The table is pattern by name; keep it small enough to stay fast.
    if (qint64(patternText.size() + 1) * (name.size() + 1) > 200000)
        return 0;

    const WildcardPattern pattern(patternText);
    QUORVEL_REQUIRE(pattern.text() == patternText);
    const bool matched = pattern.matches(name);
    QUORVEL_REQUIRE(matched == referenceMatch(patternText, name));
    QUORVEL_REQUIRE(matched == pattern.matches(swapAsciiCase(name)));
    QUORVEL_REQUIRE(matched == WildcardPattern(swapAsciiCase(patternText)).matches(name));

    // Rules that hold for every name; one holding ";" can't be its own
    // pattern, since that splits it.
    QUORVEL_REQUIRE(WildcardPattern(u"*").matches(name));
    QUORVEL_REQUIRE(WildcardPattern(patternText + QStringLiteral(";*")).matches(name));
    QUORVEL_REQUIRE(WildcardPattern(patternText + u';').matches(name) ==
                    (matched || name.isEmpty()));
    if (name.contains(u';'))
        return 0;
    QUORVEL_REQUIRE(WildcardPattern(name).matches(name));
    QUORVEL_REQUIRE(WildcardPattern(patternText + u';' + name).matches(name));
    QUORVEL_REQUIRE(WildcardPattern(QStringLiteral("*") + name).matches(name));
    QUORVEL_REQUIRE(WildcardPattern(name + QStringLiteral("*")).matches(name));
    QString questions;
    for (qsizetype n = 0; n < name.size(); n += step(name, n))
        questions.append(u'?');
    QUORVEL_REQUIRE(WildcardPattern(questions).matches(name));
    // One character more than the name has never matches.
    QUORVEL_REQUIRE(!WildcardPattern(questions + u'?').matches(name));
    return 0;
}
