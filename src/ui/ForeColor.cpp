#include "ui/ForeColor.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace quorvel::ui {

QColor colorFromBgr(quint32 color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

void applyForeColor(QWidget *widget, quint32 color)
{
    QPalette palette = widget->palette();
    QColor text;
    if (color == vbGrayText) {
        text = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    } else if (color & 0x80000000u) {
        text = QApplication::palette().color(QPalette::Active, QPalette::Text);
    } else {
        text = colorFromBgr(color);
    }
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(QPalette::Active, role, text);
        palette.setColor(QPalette::Inactive, role, text);
        palette.setColor(QPalette::Disabled, role, text);
    }
    widget->setPalette(palette);
}

} // namespace quorvel::ui
