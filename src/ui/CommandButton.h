#pragma once

#include <QPushButton>

namespace quorvel::ui {

// The classic command button; "&" in the caption marks its access key.
// Enter presses the focused button, as Space does.
class CommandButton : public QPushButton
{
    Q_OBJECT

public:
    explicit CommandButton(const QString &caption, QWidget *parent = nullptr);

signals:
    void Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace quorvel::ui
