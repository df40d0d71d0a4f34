#pragma once

#include <QCheckBox>

namespace quorvel::ui {

// The classic check box: Value 0 unchecked, 1 checked, 2 grey. Click follows
// every change of state, by the user or by code.
class CheckBox : public QCheckBox
{
    Q_OBJECT

public:
    static constexpr int vbUnchecked = 0;
    static constexpr int vbChecked = 1;
    static constexpr int vbGrayed = 2;

    explicit CheckBox(const QString &caption, QWidget *parent = nullptr);

    int Value() const;
    void setValue(int value);

signals:
    void Click();
};

} // namespace quorvel::ui
