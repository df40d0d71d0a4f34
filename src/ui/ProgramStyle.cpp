#include "ui/ProgramStyle.h"

#include <QPainter>
#include <QPixmap>

namespace quorvel::ui {
namespace {

// The overflow button's "»".
QIcon overflowIcon()
{
    QIcon icon;
    for (const int side : {16, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, side / 12.0));
        for (const qreal left : {0.25, 0.5}) {
            const QPointF chevron[] = {{side * left, side * 0.3},
                                       {side * (left + 0.2), side * 0.5},
                                       {side * left, side * 0.7}};
            painter.drawPolyline(chevron, 3);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

ProgramStyle::ProgramStyle() = default;

QIcon ProgramStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option,
                                 const QWidget *widget) const
{
    if (standardIcon == SP_ToolBarHorizontalExtensionButton)
        return overflowIcon();
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

} // namespace quorvel::ui
