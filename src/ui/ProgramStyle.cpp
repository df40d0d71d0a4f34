#include "ui/ProgramStyle.h"

#include "ui/DrawnIcon.h"

#include <QPainter>

namespace quorvel::ui {
namespace {

// The overflow button's "»".
QIcon overflowIcon()
{
    return drawnIcon([](QPainter &painter, int side) {
        painter.setPen(QPen(Qt::black, side / 12.0));
        for (const qreal left : {0.25, 0.5}) {
            const QPointF chevron[] = {{side * left, side * 0.3},
                                       {side * (left + 0.2), side * 0.5},
                                       {side * left, side * 0.7}};
            painter.drawPolyline(chevron, 3);
        }
    });
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
