#include "ui/CheckBox.h"

namespace quorvel::ui {

CheckBox::CheckBox(const QString &caption, QWidget *parent) : QCheckBox(caption, parent)
{
    connect(this, &QCheckBox::stateChanged, this, &CheckBox::Click);
}

int CheckBox::Value() const
{
    switch (checkState()) {
    case Qt::Checked:
        return vbChecked;
    case Qt::PartiallyChecked:
        return vbGrayed;
    default:
        return vbUnchecked;
    }
}

void CheckBox::setValue(int value)
{
    setCheckState(value == vbChecked  ? Qt::Checked
                  : value == vbGrayed ? Qt::PartiallyChecked
                                      : Qt::Unchecked);
}

} // namespace quorvel::ui
