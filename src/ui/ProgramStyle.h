#pragma once

#include <QProxyStyle>

namespace quorvel::ui {

// The desktop's own style, except for the one icon that it would read from a
// PNG file while the main window is being built: the menu bar's overflow
// button, which two short menus never show. The first PNG read in a process
// loads every image plugin Qt has, a tenth of the program's start-up; drawn
// in code, the icon costs nothing until something paints it.
class ProgramStyle final : public QProxyStyle
{
    Q_OBJECT

public:
    ProgramStyle();

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

} // namespace quorvel::ui
