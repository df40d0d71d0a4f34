#pragma once

#include <QStyledItemDelegate>

namespace quorvel::ui {

class FileListBox;

// Draws the rows a FileListBox marks in the mark colour, each with its note
// after the name, and shows the note as the row's tool tip. It asks the list
// at every paint, so it holds nothing that could go stale.
class MarkedItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit MarkedItemDelegate(FileListBox *list);

    // The mark colour, as a classic colour value: the legend beside the list
    // is written in it too.
    static constexpr quint32 markColor = 0x0030C0;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

private:
    FileListBox *m_list;
};

} // namespace quorvel::ui
