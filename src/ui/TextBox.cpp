#include "ui/TextBox.h"

namespace quorvel::ui {

TextBox::TextBox(QWidget *parent) : QLineEdit(parent)
{
    setReadOnly(true);
}

} // namespace quorvel::ui
