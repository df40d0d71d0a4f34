#pragma once

#include "files/FolderIdentity.h"
#include "files/NameList.h"
#include "files/WildcardPattern.h"

#include <memory>
#include <QAbstractListModel>
#include <QHash>
#include <vector>

namespace quorvel::files {

class FolderReader;

// The names of the files in one folder that match one pattern, as a list
// model: read synchronously, so that the statement after a write of the
// folder or a refresh already sees the new names and count. A view draws
// straight from the listing's own storage, so 50,000 names cost the rows on
// screen, not one string per name; a name taken out is one removed row, and
// no view lays the others out again. The marks of what a trim would take
// belong to the names listed and move with them.
class FolderList : public QAbstractListModel
{
    Q_OBJECT

public:
    // The role under which a marked row's note, or "" for a row marked
    // without one, is read; invalid for a row not marked.
    static constexpr int markRole = Qt::UserRole + 1;

    // The list starts on startFolder, unread until a folder, pattern or refresh.
    explicit FolderList(const QString &startFolder, QObject *parent = nullptr);

    QString path() const { return m_path; }
    // The folder the names were read from, as it was when read.
    FolderIdentity folderIdentity() const { return m_identity; }
    // Reads folder (relative to the one listed); on failure throws
    // FolderError and leaves everything as it was.
    void setPath(const QString &folder);

    QString pattern() const { return m_pattern.text(); }
    // Re-reads the folder with the new pattern. When the folder can't be
    // read, the pattern is taken all the same, the names it does not take
    // are dropped, and FolderError is thrown.
    void setPattern(const QString &pattern);

    // Re-reads the folder; throws FolderError, leaving the names as they were.
    void refresh();

    // Where the folder is read from, so that the lists of a window can share
    // one reading of it (see FolderReader); null reads it directly.
    void setReadings(FolderReader *readings) { m_readings = readings; }

    int count() const { return int(m_names->size()); }
    // The name, or "" for an index outside the list.
    QString name(int index) const;
    const NameList &names() const { return *m_names; }
    // The same names, to be kept beside the list: they never change, a new
    // listing comes as a new list.
    std::shared_ptr<const NameList> sharedNames() const { return m_names; }
    // Takes the name at index out without reading the folder, as after the
    // file has been moved away by the program itself: one removed row. The
    // names after it, and their marks, move up.
    void removeName(int index);

    // Rows marked, ascending, each with an optional note. Whoever reads the
    // list again sets them anew.
    void setMarkedRows(std::vector<int> rows, QHash<int, QString> notes = {});
    bool isMarked(int row) const;
    QString markNote(int row) const { return m_markNotes.value(row); }
    const std::vector<int> &markedRows() const { return m_marked; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Reading
    {
        NameList names;
        FolderIdentity identity;
    };
    Reading read(const QString &folder) const;
    void replaceNames(QString folder, Reading reading);

    QString m_path;
    FolderIdentity m_identity;
    WildcardPattern m_pattern;
    FolderReader *m_readings = nullptr;
    std::shared_ptr<const NameList> m_names = std::make_shared<const NameList>();
    std::vector<int> m_marked;
    QHash<int, QString> m_markNotes;
};

} // namespace quorvel::files
