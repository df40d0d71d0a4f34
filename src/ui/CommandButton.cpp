#include "ui/CommandButton.h"

namespace quorvel::ui {

CommandButton::CommandButton(const QString &caption, QWidget *parent)
    : QPushButton(caption, parent)
{
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &CommandButton::Click);
}

} // namespace quorvel::ui
