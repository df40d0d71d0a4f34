#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace quorvel::ui {

// While it lives, keyboard and mouse input to window (and everything in it) is
// dropped; other windows, such as message boxes and progress windows, still
// take input. Unlike disabling the window, nothing greys out for a run that
// is over in a blink.
class InputBlocker : public QObject
{
    Q_OBJECT

public:
    explicit InputBlocker(QWidget *window);
    ~InputBlocker() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace quorvel::ui
