#include "ui/MarkedItemDelegate.h"

#include "ui/FileListBox.h"
#include "ui/ForeColor.h"

#include <QHelpEvent>
#include <QToolTip>

namespace quorvel::ui {

MarkedItemDelegate::MarkedItemDelegate(FileListBox *list) : QStyledItemDelegate(list), m_list(list)
{}

void MarkedItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    if (!m_list->isMarked(index.row())) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem marked = option;
    initStyleOption(&marked, index);
    // Selected rows keep the highlight's own text colour, which stays
    // readable on it; the selection is then what the user looks at.
    marked.palette.setColor(QPalette::Text, colorFromBgr(markColor));
    const QString note = m_list->markNote(index.row());
    if (!note.isEmpty())
        marked.text += QStringLiteral("  ") + note;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : nullptr;
    if (style)
        style->drawControl(QStyle::CE_ItemViewItem, &marked, painter, widget);
    else
        QStyledItemDelegate::paint(painter, marked, index);
}

bool MarkedItemDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                   const QStyleOptionViewItem &option, const QModelIndex &index)
{
    // The note may be cut off at the list's edge; its tool tip shows it all.
    if (event && event->type() == QEvent::ToolTip && index.isValid()) {
        const QString note = m_list->markNote(index.row());
        if (!note.isEmpty()) {
            QToolTip::showText(event->globalPos(), note, view);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace quorvel::ui
