#pragma once

#include <memory>
#include <QElapsedTimer>
#include <QString>

class QProgressDialog;
class QWidget;

namespace quorvel::main_window {

// The progress window of a long run over files (a trim, its undo), shown
// only when the run lasts and updated only as often as the eye can follow:
// each update lays the window's text out anew and, once it shows, lets the
// window system in, which costs far more than moving one file.
class WorkProgress
{
public:
    // text has %1 for the files done and %2 for all of them.
    WorkProgress(QWidget *parent, QString title);
    ~WorkProgress();
    WorkProgress(const WorkProgress &) = delete;
    WorkProgress &operator=(const WorkProgress &) = delete;

    void begin(const QString &text);
    void update(int done, int total);
    void end();

    // Whether the window is up, for those who look at it.
    bool isShown() const { return m_dialog != nullptr; }

    // A run over in less than this needs no window at all.
    static constexpr qint64 showAfter = 500; // ms from the start
    // A few dozen updates a second are all the eye can follow.
    static constexpr qint64 updateInterval = 40; // ms

private:
    QWidget *m_parent;
    QString m_title;
    QString m_text;
    QElapsedTimer m_started;
    QElapsedTimer m_lastShown;
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace quorvel::main_window
