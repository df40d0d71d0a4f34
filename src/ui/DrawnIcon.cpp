#include "ui/DrawnIcon.h"

#include <QPainter>
#include <QPixmap>

namespace quorvel::ui {

QIcon drawnIcon(const std::function<void(QPainter &painter, int side)> &draw)
{
    QIcon icon;
    for (const int side : {16, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, side);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace quorvel::ui
