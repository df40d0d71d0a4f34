#include "files/WildcardPattern.h"

namespace quorvel::files {
namespace {

inline char16_t fold(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return QChar::toCaseFolded(c);
}

// A character outside the Basic Multilingual Plane (an emoji in a folder
// name, say) is two code units; "?" and the steps of "*" take it whole.
inline qsizetype charLength(QStringView name, qsizetype n)
{
    const bool pair =
        n + 1 < name.size() && name[n].isHighSurrogate() && name[n + 1].isLowSurrogate();
    return pair ? 2 : 1;
}

// Glob matching with one backtrack point: linear for patterns with one "*",
// never exponential, which matters because names come from the disk.
bool globMatch(QStringView folded, QStringView name)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    const qsizetype pSize = folded.size();
    const qsizetype nSize = name.size();
    while (n < nSize) {
        if (p < pSize) {
            const char16_t pc = folded[p].unicode();
            if (pc == u'*') {
                starP = p++;
                starN = n;
                continue;
            }
            if (pc == u'?') {
                ++p;
                n += charLength(name, n);
                continue;
            }
            if (pc == fold(name[n].unicode())) {
                ++p;
                ++n;
                continue;
            }
        }
        if (starP < 0)
            return false;
        p = starP + 1;
        starN += charLength(name, starN);
        n = starN;
    }
    while (p < pSize && folded[p] == u'*')
        ++p;
    return p == pSize;
}

// globMatch() for a pattern of stars and then the plain characters tail: the
// name must end in tail. The stars take whole characters, so the tail can't
// begin inside a surrogate pair.
bool endsWith(QStringView name, QStringView tail)
{
    const qsizetype start = name.size() - tail.size();
    if (start < 0)
        return false;
    if (start > 0 && start < name.size() && name[start - 1].isHighSurrogate() &&
        name[start].isLowSurrogate())
        return false;
    for (qsizetype i = 0; i < tail.size(); ++i) {
        if (fold(name[start + i].unicode()) != tail[i].unicode())
            return false;
    }
    return true;
}

} // namespace

WildcardPattern::WildcardPattern(QStringView pattern) : m_text(pattern.toString())
{
    for (const QStringView alternative : pattern.tokenize(u';'))
        m_alternatives.emplace_back(alternative);
}

bool WildcardPattern::matches(QStringView name) const
{
    for (const Alternative &alternative : m_alternatives) {
        if (alternative.matches(name))
            return true;
    }
    return false;
}

WildcardPattern::Alternative::Alternative(QStringView pattern)
{
    folded.reserve(pattern.size());
    for (QChar c : pattern)
        folded.append(QChar(fold(c.unicode())));
    const qsizetype dot = folded.lastIndexOf(u'.');
    shortExtension = dot >= 0 && folded.size() - dot - 1 == 3 &&
                     !QStringView(folded).sliced(dot + 1).contains(u'*');
    // The patterns of the lists are nearly all "*.ext": those need no
    // backtracking search, only a look at the end of each name, which on a
    // card of 100,000 names makes matching several times cheaper.
    qsizetype stars = 0;
    while (stars < folded.size() && folded[stars] == u'*')
        ++stars;
    const QStringView literal = QStringView(folded).sliced(stars);
    if (stars > 0 && !literal.contains(u'*') && !literal.contains(u'?'))
        tail = stars;
}

bool WildcardPattern::Alternative::matches(QStringView name) const
{
    const auto match = [this](QStringView candidate) {
        return tail >= 0 ? endsWith(candidate, QStringView(folded).sliced(tail))
                         : globMatch(folded, candidate);
    };
    if (match(name))
        return true;
    if (!shortExtension)
        return false;
    // The short form of a name keeps only three characters of its extension.
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || name.size() - dot - 1 <= 3)
        return false;
    return match(name.first(dot + 4));
}

} // namespace quorvel::files
