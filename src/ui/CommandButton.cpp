#include "ui/CommandButton.h"

#include "ui/Keys.h"

#include <QKeyEvent>

namespace quorvel::ui {

CommandButton::CommandButton(const QString &caption, QWidget *parent) : QPushButton(caption, parent)
{
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &CommandButton::Click);
}

// Qt leaves Enter to a dialog's default button; on the main window, which has
// none, it would do nothing at all. The user who has tabbed to a button
// expects Enter to press that button.
void CommandButton::keyPressEvent(QKeyEvent *event)
{
    if (isEnterKey(event) && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

} // namespace quorvel::ui
