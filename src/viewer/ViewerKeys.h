#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QKeyEvent;

namespace quorvel::viewer {

// Every key of the viewer, in one table: an action per command, with its key
// sequences and the names the README and the manual page give them. The
// dialog connects the actions to what they do and hands its key presses
// here, from whichever of its controls has the focus: Space moves on even on
// a button, which would take it for itself.
class ViewerKeys : public QObject
{
    Q_OBJECT

public:
    enum Command {
        Next,
        Previous,
        First,
        Last,
        Reject,
        Undo,
        FullScreen,
        LeaveFullScreen,
        ActualPixels,
        FocusFrame,
        Peaking,
    };
    Q_ENUM(Command)

    struct Key
    {
        Command command;
        QKeySequence sequence;
        // As the README's key table and the manual page write it.
        QString name;
    };
    static const QList<Key> &table();

    explicit ViewerKeys(QObject *parent = nullptr);

    QAction *action(Command command) const { return m_actions.at(command); }

    // Carries out the action event stands for; true when the key is one of
    // the table's, its press then used up. A held key repeats: an action that
    // takes one press (Delete, Z, F, P) ignores the repeats, which are used up all
    // the same. A disabled action's key is not the viewer's.
    bool press(const QKeyEvent &event) const;

private:
    QList<QAction *> m_actions;
};

} // namespace quorvel::viewer
