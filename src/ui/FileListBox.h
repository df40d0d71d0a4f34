#pragma once

#include "files/NameList.h"
#include "files/WildcardPattern.h"

#include <QListView>
#include <QStringList>

namespace quorvel::files {
class FolderReader;
}

namespace quorvel::ui {

class NameListModel;

// The classic file list: the names of the files in one folder that match one
// pattern, read synchronously so that the statement after a write of Path or
// a Refresh already sees the new entries and count.
class FileListBox : public QListView
{
    Q_OBJECT

public:
    // The list starts on startFolder, unread until a Path, Pattern or Refresh.
    explicit FileListBox(const QString &startFolder, QWidget *parent = nullptr);

    QString Path() const { return m_path; }
    // Reads folder; on failure throws FolderError and leaves everything as it was.
    void setPath(const QString &folder);

    QString Pattern() const { return m_pattern.text(); }
    // Re-reads the current folder with the new pattern, as the classic list
    // does. When the folder can't be read, the pattern is taken all the same,
    // the entries it does not take are dropped, and FolderError is thrown.
    void setPattern(const QString &pattern);

    // Re-reads the folder; throws FolderError, leaving the entries as they were.
    void Refresh();

    // Where the list reads its folder from, so that the lists of a window can
    // share one reading of it (see FolderReader); null reads it directly.
    void setReadings(files::FolderReader *readings) { m_readings = readings; }

    int ListCount() const;
    // -1 when nothing is selected.
    int ListIndex() const;
    // Selects entry index (or nothing for -1) and raises Click.
    void setListIndex(int index);
    // The selected entry's name without folder, or "" when nothing is selected.
    QString FileName() const;
    // The entry's name, or "" for an index outside the list.
    QString List(int index) const;
    // Every entry as text: made on each call, for work on the whole list
    // such as a trim. The list itself keeps its names as bytes (NameList).
    QStringList Names() const;
    const files::NameList &names() const;

signals:
    void Click();
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void replaceEntries(QString folder, files::NameList names);
    files::NameList read(const QString &folder) const;

    NameListModel *m_model;
    QString m_path;
    files::WildcardPattern m_pattern;
    files::FolderReader *m_readings = nullptr;
};

} // namespace quorvel::ui
