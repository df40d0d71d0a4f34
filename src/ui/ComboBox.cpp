#include "ui/ComboBox.h"

namespace quorvel::ui {

ComboBox::ComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // completion would turn "*.cr2" into "*.cr2 (Canon)" while typing
    setMaxVisibleItems(18);
    connect(this, &QComboBox::activated, this, &ComboBox::Click);
}

void ComboBox::setText(const QString &text)
{
    setEditText(text);
}

void ComboBox::AddItem(const QString &item)
{
    const QString shown = currentText();
    const QSignalBlocker blocker(this);
    addItem(item);
    setCurrentIndex(-1);
    setEditText(shown);
}

} // namespace quorvel::ui
