#pragma once

#include <QString>
#include <QStringView>

namespace quorvel::files {

// A file pattern as the lists understand it: "*" is any run of characters, "?"
// any one character, letter case is ignored. A pattern whose extension is three
// characters also takes names whose extension is longer and starts with them, so
// "*.tif" lists scan.tiff: photographers expect the classic short-name behaviour,
// and the "*.tiff" entry, cut to five characters, relies on it.
class WildcardPattern
{
public:
    explicit WildcardPattern(QStringView pattern = u"*");

    bool matches(QStringView name) const;
    const QString &text() const { return m_text; }

private:
    QString m_text;
    QString m_folded;
    bool m_shortExtension = false;
    // Where the literal tail of a pattern such as "*.nef" begins in m_folded,
    // or -1 when the pattern is not "*" followed by plain characters.
    qsizetype m_tail = -1;
};

} // namespace quorvel::files
