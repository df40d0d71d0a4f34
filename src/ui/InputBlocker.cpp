#include "ui/InputBlocker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace quorvel::ui {

InputBlocker::InputBlocker(QWidget *window) : m_window(window)
{
    qApp->installEventFilter(this);
}

InputBlocker::~InputBlocker()
{
    qApp->removeEventFilter(this);
}

bool InputBlocker::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride: {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && m_window && widget->window() == m_window)
            return true;
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quorvel::ui
