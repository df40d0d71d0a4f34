#include "ui/Layout.h"

#include <cmath>
#include <QFontDatabase>
#include <QWidget>

namespace quorvel::ui {

int pixels(double twips)
{
    return int(std::lround(pixelsFromTwips(twips)));
}

void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
}

QFont layoutFont(bool bold)
{
    QFont font = QFontDatabase::families().contains(QStringLiteral("Verdana"), Qt::CaseInsensitive)
                     ? QFont(QStringLiteral("Verdana"))
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

} // namespace quorvel::ui
