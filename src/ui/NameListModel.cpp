#include "ui/NameListModel.h"

namespace quorvel::ui {

void NameListModel::setNames(files::NameList names)
{
    beginResetModel();
    m_names = std::make_shared<const files::NameList>(std::move(names));
    endResetModel();
}

void NameListModel::removeName(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    auto rest = std::make_shared<const files::NameList>(m_names->without(row));
    beginRemoveRows({}, row, row);
    m_names = std::move(rest);
    endRemoveRows();
}

int NameListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names->size());
}

QVariant NameListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return m_names->at(index.row());
}

} // namespace quorvel::ui
