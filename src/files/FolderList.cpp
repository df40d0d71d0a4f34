#include "files/FolderList.h"

#include "files/FolderListing.h"
#include "files/FolderReader.h"
#include "files/FolderSnapshot.h"

#include <algorithm>
#include <QDir>

namespace quorvel::files {

FolderList::FolderList(const QString &startFolder, QObject *parent)
    : QAbstractListModel(parent), m_path(startFolder)
{}

void FolderList::setPath(const QString &folder)
{
    const QString clean = QDir::cleanPath(QDir(m_path).absoluteFilePath(folder));
    replaceNames(clean, read(clean));
}

void FolderList::setPattern(const QString &pattern)
{
    // The new pattern holds even when the folder can't be read just now (a
    // card pulled out, to be put back): the list must only ever hold what
    // the pattern named beside it takes, or a trim would move files of a
    // kind its question never named. Until the folder is read again, the
    // list keeps those of its names that the new pattern takes.
    m_pattern = WildcardPattern(pattern);
    Reading reading;
    try {
        reading = read(m_path);
    } catch (...) {
        NameList kept;
        for (qsizetype i = 0; i < m_names->size(); ++i) {
            if (m_pattern.matches(m_names->at(i)))
                kept.append(m_names->bytes(i));
        }
        if (kept.size() != m_names->size())
            replaceNames(m_path, {std::move(kept), m_identity});
        throw;
    }
    replaceNames(m_path, std::move(reading));
}

void FolderList::refresh()
{
    replaceNames(m_path, read(m_path));
}

FolderList::Reading FolderList::read(const QString &folder) const
{
    const std::shared_ptr<const FolderSnapshot> reading =
        m_readings ? m_readings->reading(folder) : std::make_shared<const FolderSnapshot>(folder);
    return {FolderListing::fileNames(*reading, m_pattern), {reading->device(), reading->inode()}};
}

void FolderList::replaceNames(QString folder, Reading reading)
{
    beginResetModel();
    m_path = std::move(folder);
    m_identity = reading.identity;
    m_names = std::make_shared<const NameList>(std::move(reading.names));
    endResetModel();
}

QString FolderList::name(int index) const
{
    return index >= 0 && index < count() ? m_names->at(index) : QString();
}

void FolderList::removeName(int index)
{
    if (index < 0 || index >= count())
        return;
    auto rest = std::make_shared<const NameList>(m_names->without(index));
    beginRemoveRows({}, index, index);
    m_names = std::move(rest);
    // The marks after the row move up with their names.
    const auto at = std::lower_bound(m_marked.begin(), m_marked.end(), index);
    const bool wasMarked = at != m_marked.end() && *at == index;
    if (at != m_marked.end()) {
        QHash<int, QString> notes;
        for (auto note = m_markNotes.cbegin(); note != m_markNotes.cend(); ++note) {
            if (note.key() != index)
                notes.insert(note.key() > index ? note.key() - 1 : note.key(), note.value());
        }
        m_markNotes = std::move(notes);
        for (auto later = wasMarked ? m_marked.erase(at) : at; later != m_marked.end(); ++later)
            --*later;
    }
    endRemoveRows();
}

void FolderList::setMarkedRows(std::vector<int> rows, QHash<int, QString> notes)
{
    if (rows == m_marked && notes == m_markNotes)
        return;
    m_marked = std::move(rows);
    m_markNotes = std::move(notes);
    if (count() > 0)
        emit dataChanged(index(0), index(count() - 1), {markRole});
}

bool FolderList::isMarked(int row) const
{
    return std::binary_search(m_marked.begin(), m_marked.end(), row);
}

int FolderList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FolderList::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_names->at(index.row());
    if (role == markRole && isMarked(index.row()))
        return markNote(index.row());
    return {};
}

} // namespace quorvel::files
