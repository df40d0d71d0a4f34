#include "ui/FileListBox.h"

#include "files/FileNames.h"
#include "files/FolderList.h"
#include "ui/Keys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <utility>

namespace quorvel::ui {

FileListBox::FileListBox(files::FolderList &list, QWidget *parent)
    : QListView(parent), m_list(&list)
{
    // Rows placed by arithmetic: without uniform item sizes the view measures
    // every row, and 100,000 names take most of a second to show instead of
    // a few milliseconds.
    setUniformItemSizes(true);
    // The scroll bar measures the rows' height, not how many the layout has
    // placed: a row taken out shortens it without a layout (see
    // rowsAboutToBeRemoved).
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setModel(m_list);
    // Connected after the view's and the selection model's own, so that a
    // kept selection is set once they have dropped theirs.
    connect(m_list, &files::FolderList::modelAboutToBeReset, this, &FileListBox::rememberSelection);
    connect(m_list, &files::FolderList::modelReset, this, &FileListBox::restoreSelection);
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

FileListBox::FileListBox(const QString &startFolder, QWidget *parent)
    : FileListBox(*new files::FolderList(startFolder), parent)
{
    m_list->setParent(this);
}

QString FileListBox::Path() const
{
    return m_list->path();
}

files::FolderIdentity FileListBox::folderIdentity() const
{
    return m_list->folderIdentity();
}

void FileListBox::setPath(const QString &folder)
{
    m_list->setPath(folder);
}

QString FileListBox::Pattern() const
{
    return m_list->pattern();
}

void FileListBox::setPattern(const QString &pattern)
{
    m_list->setPattern(pattern);
}

void FileListBox::Refresh()
{
    m_list->refresh();
}

void FileListBox::setReadings(files::FolderReader *readings)
{
    m_list->setReadings(readings);
}

void FileListBox::rememberSelection()
{
    m_selectedBefore = FileName();
    m_pathBefore = m_list->path();
    // A new listing starts without a selection, and a kept one is no new
    // choice: no Click is raised for either.
    m_keepingSelection = true;
}

void FileListBox::restoreSelection()
{
    // Where kept, a name that is still listed stays selected: re-reading a
    // folder is no new choice. Elsewhere, or once the name has gone, nothing is.
    const QString selected = std::exchange(m_selectedBefore, QString());
    const bool sameFolder = m_list->path() == m_pathBefore;
    const int kept = m_keepSelection && sameFolder && !selected.isNull()
                         ? int(m_list->names().indexOf(files::encodeFileName(selected)))
                         : -1;
    if (kept >= 0)
        selectionModel()->setCurrentIndex(m_list->index(kept), QItemSelectionModel::ClearAndSelect);
    m_keepingSelection = false;
    if (!selected.isNull() && kept < 0)
        emit SelectionLost();
}

int FileListBox::ListCount() const
{
    return m_list->count();
}

QString FileListBox::List(int index) const
{
    return m_list->name(index);
}

const files::NameList &FileListBox::names() const
{
    return m_list->names();
}

std::shared_ptr<const files::NameList> FileListBox::sharedNames() const
{
    return m_list->sharedNames();
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
    selectionModel()->setCurrentIndex(m_list->index(index), QItemSelectionModel::ClearAndSelect);
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
    if (!isVisible()) {
        selectionModel()->setCurrentIndex(m_list->index(index),
                                          QItemSelectionModel::ClearAndSelect);
        return;
    }
    // Shown, the list is painted and scrolled to the entry once the event
    // loop turns, as the user sees it then: the view's own answer to a new
    // current row and selection measures their rows one by one and scrolls
    // at once, on the time of a key in the viewer or of a rejection. Keys
    // held down scroll the list once for all of them.
    {
        const QSignalBlocker quiet(selectionModel());
        selectionModel()->setCurrentIndex(m_list->index(index),
                                          QItemSelectionModel::ClearAndSelect);
    }
    viewport()->update();
    if (hasAutoScroll() && !m_scrollDue) {
        m_scrollDue = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_scrollDue = false;
                if (currentIndex().isValid())
                    scrollTo(currentIndex());
            },
            Qt::QueuedConnection);
    }
}

void FileListBox::RemoveItem(int index)
{
    if (index < 0 || index >= ListCount())
        return;
    const bool wasSelected = index == ListIndex();
    {
        const QScopedValueRollback keeping(m_keepingSelection, true);
        // Left current, the row would hand that on to the entry moving into
        // its place, select it and scroll to it, only for the selection to
        // be dropped below: most of what a rejection in the viewer cost the
        // list. The rows below move up and are painted again all the same:
        // the view need not measure the row going for its selection.
        const QSignalBlocker quiet(selectionModel());
        if (wasSelected && currentIndex().row() == index)
            selectionModel()->clearCurrentIndex();
        m_list->removeName(index);
        // The view would select the entry that moved into its place: a name
        // the user never chose.
        if (wasSelected)
            selectionModel()->clearSelection();
    }
    viewport()->update();
    if (wasSelected && ListIndex() < 0)
        emit SelectionLost();
}

void FileListBox::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    // QListView lays every row out again after any removal: a rejection in
    // the viewer would measure 50,000 rows to take one out. Rows of one size
    // need none of it: those before the gap stay, and each after it moves up
    // into the place the layout already has for the row before it. Only the
    // height of the whole shrinks. A list emptied is laid out as usual.
    const int rows = m_list->count();
    if (parent.isValid() || end - start + 1 >= rows) {
        QListView::rowsAboutToBeRemoved(parent, start, end);
        return;
    }
    executeDelayedItemsLayout(); // a layout still to come would be of the old rows
    const int step = rectForIndex(m_list->index(start)).height() + spacing();
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    const QSize contents = contentsSize();
    resizeContents(contents.width(), contents.height() - (end - start + 1) * step);
    // The scroll bar's new range is seen once the event loop turns, as after
    // the view's own delayed layout: several rows taken out at once, or a
    // rejection in the viewer, set it once, and not on the key's time.
    if (!m_geometriesDue) {
        m_geometriesDue = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_geometriesDue = false;
                updateGeometries();
            },
            Qt::QueuedConnection);
    }
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
    m_list->setMarkedRows(std::move(rows), std::move(notes));
}

bool FileListBox::isMarked(int row) const
{
    return m_list->isMarked(row);
}

QString FileListBox::markNote(int row) const
{
    return m_list->markNote(row);
}

const std::vector<int> &FileListBox::markedRows() const
{
    return m_list->markedRows();
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
