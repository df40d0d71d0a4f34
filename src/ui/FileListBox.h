#pragma once

#include "files/FolderIdentity.h"
#include "files/NameList.h"

#include <memory>
#include <QHash>
#include <QListView>
#include <vector>

namespace quorvel::files {
class FolderList;
class FolderReader;
} // namespace quorvel::files

namespace quorvel::ui {

// The classic file list: a view over a FolderList, the names of the files in
// one folder that match one pattern, read synchronously so that the statement
// after a write of Path or a Refresh already sees the new entries and count.
class FileListBox : public QListView
{
    Q_OBJECT

public:
    // A view over list, which its owner keeps for as long as the view lives.
    explicit FileListBox(files::FolderList &list, QWidget *parent = nullptr);
    // A list of its own, starting on startFolder, unread until a Path,
    // Pattern or Refresh.
    explicit FileListBox(const QString &startFolder, QWidget *parent = nullptr);

    files::FolderList &folderList() const { return *m_list; }

    QString Path() const;
    // The folder the entries were read from, as it was when read.
    files::FolderIdentity folderIdentity() const;
    // Reads folder; on failure throws FolderError and leaves everything as it was.
    void setPath(const QString &folder);

    QString Pattern() const;
    // Re-reads the current folder with the new pattern, as the classic list
    // does. When the folder can't be read, the pattern is taken all the same,
    // the entries it does not take are dropped, and FolderError is thrown.
    void setPattern(const QString &pattern);

    // Re-reads the folder; throws FolderError, leaving the entries as they were.
    void Refresh();

    // Where the list reads its folder from, so that the lists of a window can
    // share one reading of it (see FolderReader); null reads it directly.
    void setReadings(files::FolderReader *readings);

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
    // The entries as the list keeps them, as bytes.
    const files::NameList &names() const;
    std::shared_ptr<const files::NameList> sharedNames() const;

    // Rows to draw as marked (a MarkedItemDelegate draws them), ascending,
    // each with an optional note drawn beside its name. The marks belong to
    // the entries listed now: whoever re-reads the list sets them anew.
    void setMarkedRows(std::vector<int> rows, QHash<int, QString> notes = {});
    bool isMarked(int row) const;
    QString markNote(int row) const;
    const std::vector<int> &markedRows() const;

signals:
    // A click on a name, also on the one already selected, or a new selection.
    void Click();
    void DblClick();
    // The selection is gone: cleared, or its name no longer listed.
    void SelectionLost();

protected:
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    // A new listing drops the selection, as the classic list does, or keeps
    // the selected name selected where told to and it is still listed.
    void rememberSelection();
    void restoreSelection();

    files::FolderList *m_list;
    bool m_keepSelection = false;
    bool m_keepingSelection = false;
    bool m_geometriesDue = false;
    bool m_scrollDue = false;
    // The selected name and folder while the list is read again.
    QString m_selectedBefore;
    QString m_pathBefore;
};

} // namespace quorvel::ui
