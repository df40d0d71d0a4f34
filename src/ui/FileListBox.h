#pragma once

#include "files/FolderIdentity.h"
#include "files/NameList.h"
#include "files/WildcardPattern.h"

#include <QHash>
#include <QListView>
#include <QStringList>
#include <vector>

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
    // The folder the entries were read from, as it was when read.
    files::FolderIdentity folderIdentity() const { return m_identity; }
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

    // Whether a new reading of the same folder keeps the selected name
    // selected where it is still listed. The classic list starts every
    // reading without a selection, and so does this one unless told.
    void setKeepSelection(bool keep) { m_keepSelection = keep; }

    int ListCount() const;
    // -1 when nothing is selected.
    int ListIndex() const;
    // Selects entry index (or nothing for -1) and raises Click.
    void setListIndex(int index);
    // Selects entry index (or nothing for -1) without raising Click: for a
    // window that moves through the list on the user's behalf, where the
    // selection only follows and is no choice of a name.
    void followIndex(int index);
    // Takes entry index out of the list without reading the folder, as after
    // the file has been moved away by the program itself. The entries after
    // it move up; a selection of another entry stays, and SelectionLost is
    // raised when it was this one. The marks of the other entries move up
    // with them.
    void RemoveItem(int index);
    // The selected entry's name without folder, or "" when nothing is selected.
    QString FileName() const;
    // The entry's name, or "" for an index outside the list.
    QString List(int index) const;
    // Every entry as text: made on each call, for work on the whole list
    // such as a trim. The list itself keeps its names as bytes (NameList).
    QStringList Names() const;
    const files::NameList &names() const;
    std::shared_ptr<const files::NameList> sharedNames() const;

    // Rows to draw as marked (a MarkedItemDelegate draws them), ascending,
    // each with an optional note drawn beside its name. The marks belong to
    // the entries listed now: whoever re-reads the list sets them anew.
    void setMarkedRows(std::vector<int> rows, QHash<int, QString> notes = {});
    bool isMarked(int row) const;
    QString markNote(int row) const { return m_markNotes.value(row); }
    const std::vector<int> &markedRows() const { return m_marked; }

signals:
    // A click on a name, also on the one already selected, or a new selection.
    void Click();
    void DblClick();
    // The selection is gone: cleared, or its name no longer listed.
    void SelectionLost();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct Reading
    {
        files::NameList names;
        files::FolderIdentity identity;
    };
    void replaceEntries(QString folder, Reading reading);
    Reading read(const QString &folder) const;

    NameListModel *m_model;
    QString m_path;
    files::FolderIdentity m_identity;
    files::WildcardPattern m_pattern;
    files::FolderReader *m_readings = nullptr;
    bool m_keepSelection = false;
    bool m_keepingSelection = false;
    std::vector<int> m_marked;
    QHash<int, QString> m_markNotes;
};

} // namespace quorvel::ui
