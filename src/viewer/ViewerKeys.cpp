#include "viewer/ViewerKeys.h"

#include <QAction>
#include <QKeyEvent>
#include <QMetaEnum>

namespace quorvel::viewer {

const QList<ViewerKeys::Key> &ViewerKeys::table()
{
    static const QList<Key> keys{
        {Next, QKeySequence(Qt::Key_Right), QStringLiteral("Right")},
        {Next, QKeySequence(Qt::Key_Down), QStringLiteral("Down")},
        {Next, QKeySequence(Qt::Key_PageDown), QStringLiteral("Page Down")},
        {Next, QKeySequence(Qt::Key_Space), QStringLiteral("Space")},
        {Previous, QKeySequence(Qt::Key_Left), QStringLiteral("Left")},
        {Previous, QKeySequence(Qt::Key_Up), QStringLiteral("Up")},
        {Previous, QKeySequence(Qt::Key_PageUp), QStringLiteral("Page Up")},
        {Previous, QKeySequence(Qt::Key_Backspace), QStringLiteral("Backspace")},
        {First, QKeySequence(Qt::Key_Home), QStringLiteral("Home")},
        {Last, QKeySequence(Qt::Key_End), QStringLiteral("End")},
        {Reject, QKeySequence(Qt::Key_Delete), QStringLiteral("Delete")},
        {Undo, QKeySequence(Qt::ControlModifier | Qt::Key_Z), QStringLiteral("Ctrl+Z")},
        {FullScreen, QKeySequence(Qt::Key_F11), QStringLiteral("F11")},
        {LeaveFullScreen, QKeySequence(Qt::Key_Escape), QStringLiteral("Esc")},
        {ActualPixels, QKeySequence(Qt::Key_Z), QStringLiteral("Z")},
        {FocusFrame, QKeySequence(Qt::Key_F), QStringLiteral("F")},
        {Peaking, QKeySequence(Qt::Key_P), QStringLiteral("P")},
    };
    return keys;
}

ViewerKeys::ViewerKeys(QObject *parent) : QObject(parent)
{
    const QMetaEnum commands = QMetaEnum::fromType<Command>();
    for (int command = 0; command < commands.keyCount(); ++command) {
        auto *action = new QAction(QString::fromLatin1(commands.key(command)), this);
        QList<QKeySequence> sequences;
        for (const Key &key : table()) {
            if (key.command == command)
                sequences << key.sequence;
        }
        action->setShortcuts(sequences);
        // A key held down repeats: one press rejects one picture, never the
        // run of them that would follow while the finger is still down; a
        // toggle held would flicker on and off.
        action->setAutoRepeat(command != Reject && command != ActualPixels &&
                              command != FocusFrame && command != Peaking);
        m_actions << action;
    }
    // Esc leaves full screen and nothing else: neither button is a cancel
    // button.
    action(LeaveFullScreen)->setEnabled(false);
}

bool ViewerKeys::press(const QKeyEvent &event) const
{
    const QKeySequence pressed(
        QKeyCombination(event.modifiers() & ~Qt::KeypadModifier, Qt::Key(event.key())));
    for (QAction *action : m_actions) {
        if (!action->isEnabled() || !action->shortcuts().contains(pressed))
            continue;
        if (!event.isAutoRepeat() || action->autoRepeat())
            action->trigger();
        return true;
    }
    return false;
}

} // namespace quorvel::viewer
