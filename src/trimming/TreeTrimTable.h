#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace quorvel::trimming {

class TreeTrimPlan;

// What the window shows of a trim over a whole tree before it asks: one row
// for each folder pair with its counts, one for each RAW folder left alone
// and why, and the total; and the line the question gains. Texts and numbers
// only, so that what the user reads can be checked without a window.
class TreeTrimTable
{
public:
    struct Row
    {
        QString folder;    // below the trimmed folder, control characters visible
        int pictures = -1; // -1: no count (no picture folder, or not read)
        int rawFiles = -1;
        int toTrim = 0;
        int sidecars = 0; // going along with toTrim
        QString note;     // why a folder is left alone; empty for a pair
    };

    // picturePattern is the pattern the picture side goes by, as a skipped
    // folder's note names it; sidecars tells whether sidecars go along at all.
    TreeTrimTable(const TreeTrimPlan &plan, const QString &picturePattern, bool sidecars);

    static QStringList headers();
    // The pairs, each followed by the files a picture in another folder
    // keeps, then the folders left alone, then the total row.
    const std::vector<Row> &rows() const { return m_rows; }
    int filesToTrim() const { return m_total.toTrim; }
    int sidecarsToTrim() const { return m_total.sidecars; }
    // Folders that lose at least one file.
    int foldersTrimmed() const { return m_foldersTrimmed; }
    int foldersSkipped() const { return m_foldersSkipped; }
    int keptElsewhere() const { return m_keptElsewhere; }
    bool withSidecars() const { return m_withSidecars; }

    // A number as a cell shows it: "" for no count.
    static QString cell(int count);
    // The line the question gains, naming what the whole run takes.
    QString totalLine() const;
    // What "No files to trim" gains when folders were left alone.
    QString skippedLine() const;
    static QString title();

private:
    std::vector<Row> m_rows;
    Row m_total;
    int m_foldersTrimmed = 0;
    int m_foldersSkipped = 0;
    int m_keptElsewhere = 0;
    bool m_withSidecars = false;
};

} // namespace quorvel::trimming
