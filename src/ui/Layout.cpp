#include "ui/Layout.h"

#include <cmath>
#include <QFontDatabase>
#include <QWidget>

namespace quorvel::ui {

void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
}

QFont layoutFont(bool bold)
{
    // Both faces are named and the font matching picks the first there is.
    // Asking the font database which families it has would read every font
    // on the system before the window can be built.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies({QStringLiteral("Verdana"), font.family()});
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

} // namespace quorvel::ui
