#include "ui/FileListBox.h"

#include "files/FileNames.h"
#include "files/FolderListing.h"
#include "files/FolderReader.h"
#include "files/FolderSnapshot.h"
#include "ui/Keys.h"
#include "ui/NameListModel.h"

#include <algorithm>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>

namespace quorvel::ui {
FileListBox::FileListBox(const QString &startFolder, QWidget *parent)
    : QListView(parent), m_model(new NameListModel(this)), m_path(startFolder)
{
    // Without uniform item sizes the view measures every row: 100,000 names
    // then take most of a second to show instead of a few milliseconds.
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setModel(m_model);
    // Click follows the selection, not the keyboard focus: a list gets a
    // current row as soon as it takes the focus, with nothing selected yet.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected) {
                if (m_keepingSelection)
                    return;
                if (!selected.isEmpty())
                    emit Click();
                else if (ListIndex() < 0)
                    emit SelectionLost();
            });
    connect(this, &QListView::doubleClicked, this, &FileListBox::DblClick);
}

void FileListBox::setPath(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(m_path).absoluteFilePath(folder));
    replaceEntries(clean, read(clean));
}

void FileListBox::setPattern(const QString &pattern)
{
    // The new pattern holds even when the folder can't be read just now (a
    // card pulled out, to be put back): the list must only ever hold what
    // the pattern named beside it takes, or a trim would move files of a
    // kind its question never named. Until the folder is read again, the
    // list keeps those of its entries that the new pattern takes.
    m_pattern = files::WildcardPattern(pattern);
    Reading reading;
    try {
        reading = read(m_path);
    } catch (...) {
        const files::NameList &listed = m_model->names();
        files::NameList kept;
        for (qsizetype i = 0; i < listed.size(); ++i) {
            if (m_pattern.matches(listed.at(i)))
                kept.append(listed.bytes(i));
        }
        if (kept.size() != listed.size())
            replaceEntries(m_path, {std::move(kept), m_identity});
        throw;
    }
    replaceEntries(m_path, std::move(reading));
}

void FileListBox::Refresh()
{
    replaceEntries(m_path, read(m_path));
}

FileListBox::Reading FileListBox::read(const QString &folder) const
{
    const std::shared_ptr<const files::FolderSnapshot> reading =
        m_readings ? m_readings->reading(folder)
                   : std::make_shared<const files::FolderSnapshot>(folder);
    return {files::FolderListing::fileNames(*reading, m_pattern),
            {reading->device(), reading->inode()}};
}

void FileListBox::replaceEntries(QString folder, Reading reading)
{
    files::NameList &names = reading.names;
    // Where kept, a name that is still listed stays selected: re-reading a
    // folder is no new choice. Elsewhere, or once the name has gone, nothing is.
    const QString selected = FileName();
    const bool sameFolder = folder == m_path;
    m_path = std::move(folder);
    m_identity = reading.identity;
    const int kept = m_keepSelection && sameFolder && !selected.isNull()
                         ? int(names.indexOf(files::encodeFileName(selected)))
                         : -1;
    {
        // A new listing starts without a selection, and a kept one is no new
        // choice: no Click is raised for either.
        const QScopedValueRollback keeping(m_keepingSelection, true);
        m_model->setNames(std::move(names));
        if (kept >= 0)
            selectionModel()->setCurrentIndex(m_model->index(kept),
                                              QItemSelectionModel::ClearAndSelect);
    }
    if (!selected.isNull() && kept < 0)
        emit SelectionLost();
}

int FileListBox::ListCount() const
{
    return int(m_model->names().size());
}

QString FileListBox::List(int index) const
{
    return index >= 0 && index < ListCount() ? m_model->names().at(index) : QString();
}

QStringList FileListBox::Names() const
{
    return m_model->names().toStringList();
}

const files::NameList &FileListBox::names() const
{
    return m_model->names();
}

std::shared_ptr<const files::NameList> FileListBox::sharedNames() const
{
    return m_model->sharedNames();
}

int FileListBox::ListIndex() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void FileListBox::setListIndex(int index)
{
    if (index < 0 || index >= ListCount()) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
        return;
    }
    const bool changed = index != ListIndex();
    selectionModel()->setCurrentIndex(m_model->index(index), QItemSelectionModel::ClearAndSelect);
    if (!changed)
        emit Click();
}

void FileListBox::followIndex(int index)
{
    const QScopedValueRollback keeping(m_keepingSelection, true);
    if (index < 0 || index >= ListCount()) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(m_model->index(index), QItemSelectionModel::ClearAndSelect);
}

void FileListBox::RemoveItem(int index)
{
    if (index < 0 || index >= ListCount())
        return;
    const bool wasSelected = index == ListIndex();
    {
        const QScopedValueRollback keeping(m_keepingSelection, true);
        m_model->removeName(index);
        // The view would select the entry that moved into its place: a name
        // the user never chose.
        if (wasSelected)
            selectionModel()->clearSelection();
    }
    std::vector<int> marked;
    QHash<int, QString> notes;
    for (int row : m_marked) {
        if (row == index)
            continue;
        const int now = row > index ? row - 1 : row;
        marked.push_back(now);
        if (m_markNotes.contains(row))
            notes.insert(now, m_markNotes.value(row));
    }
    setMarkedRows(std::move(marked), std::move(notes));
    if (wasSelected && ListIndex() < 0)
        emit SelectionLost();
}

void FileListBox::mousePressEvent(QMouseEvent *event)
{
    // The classic list raises Click for every click on a name. A click on
    // the name already selected changes no selection, so it is raised here.
    const int before = ListIndex();
    QListView::mousePressEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && before >= 0 && hit.isValid() && hit.row() == before &&
        ListIndex() == before)
        emit Click();
}

QString FileListBox::FileName() const
{
    return List(ListIndex());
}

void FileListBox::setMarkedRows(std::vector<int> rows, QHash<int, QString> notes)
{
    if (rows == m_marked && notes == m_markNotes)
        return;
    m_marked = std::move(rows);
    m_markNotes = std::move(notes);
    viewport()->update();
}

bool FileListBox::isMarked(int row) const
{
    return std::binary_search(m_marked.begin(), m_marked.end(), row);
}

void FileListBox::keyPressEvent(QKeyEvent *event)
{
    // Enter opens the selected entry, as a double-click does.
    if (isEnterKey(event) && ListIndex() >= 0) {
        emit DblClick();
        return;
    }
    // A list that takes the focus with nothing chosen marks an entry (the
    // first) without selecting it. The first arrow key chooses the marked
    // entry instead of stepping past it, and so does Home on the first entry,
    // where Qt would see no move and select nothing.
    const QModelIndex current = currentIndex();
    const bool firstChoice =
        event->modifiers() == Qt::NoModifier && ListIndex() < 0 && current.isValid();
    if (firstChoice && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up ||
                        (event->key() == Qt::Key_Home && current.row() == 0))) {
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

} // namespace quorvel::ui
