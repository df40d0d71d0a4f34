#pragma once

#include <QPushButton>

namespace quorvel::ui {

// The classic command button; "&" in the caption marks its access key.
class CommandButton : public QPushButton
{
    Q_OBJECT

public:
    explicit CommandButton(const QString &caption, QWidget *parent = nullptr);

signals:
    void Click();
};

} // namespace quorvel::ui
