#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace quorvel::files {

// A file pattern as the lists understand it: "*" is any run of characters, "?"
// any one character, letter case is ignored. A pattern whose extension is three
// characters also takes names whose extension is longer and starts with them, so
// "*.tif" lists scan.tiff: photographers expect the classic short-name behaviour,
// and the "*.tiff" entry, cut to five characters, relies on it.
//
// A pattern may also be several, separated by ";" as the classic list control
// took them ("*.bmp;*.ico"): a name is listed when any of them takes it, so
// "*.jpg;*.heic" lists a camera's JPEG and HEIF pictures alike. The rules
// above hold for each on its own.
class WildcardPattern
{
public:
    explicit WildcardPattern(QStringView pattern = u"*");

    bool matches(QStringView name) const;
    const QString &text() const { return m_text; }

private:
    struct Alternative
    {
        QString folded;
        bool shortExtension = false;
        // Where the literal tail of a pattern such as "*.nef" begins in
        // folded, or -1 when the pattern is not "*" followed by plain
        // characters.
        qsizetype tail = -1;

        explicit Alternative(QStringView pattern);
        bool matches(QStringView name) const;
    };

    QString m_text;
    std::vector<Alternative> m_alternatives;
};

} // namespace quorvel::files
