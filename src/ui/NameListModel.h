#pragma once

#include "files/NameList.h"

#include <memory>
#include <QAbstractListModel>

namespace quorvel::ui {

// A file list's entries as a view sees them, straight from the listing's own
// storage: a name becomes text only when a row is drawn or searched, so a
// list of 50,000 names costs the rows on screen, not one string per name.
class NameListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    const files::NameList &names() const { return *m_names; }
    // The same list, to be kept beside the model: it never changes, a new
    // listing comes as a new list.
    std::shared_ptr<const files::NameList> sharedNames() const { return m_names; }
    // Replaces every entry; views drop their selection, as after any reset.
    void setNames(files::NameList names);
    // Takes the entry at row out without reading the folder again: the other
    // entries keep their selection. The names come as a new list; one shared
    // before stays as it was.
    void removeName(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const files::NameList> m_names = std::make_shared<const files::NameList>();
};

} // namespace quorvel::ui
