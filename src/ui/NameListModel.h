#pragma once

#include "files/NameList.h"

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

    const files::NameList &names() const { return m_names; }
    // Replaces every entry; views drop their selection, as after any reset.
    void setNames(files::NameList names);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    files::NameList m_names;
};

} // namespace quorvel::ui
