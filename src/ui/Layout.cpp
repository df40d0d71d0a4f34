#include "ui/Layout.h"

#include <QFontDatabase>
#include <QWidget>

#include <cmath>

namespace quorvel::ui {

void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(int(std::lround(pixelsFromTwips(left))),
                        int(std::lround(pixelsFromTwips(top))),
                        int(std::lround(pixelsFromTwips(width))),
                        int(std::lround(pixelsFromTwips(height))));
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
