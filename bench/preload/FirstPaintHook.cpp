// Preloaded into the real program by bench_startup (LD_PRELOAD), to time its
// start as a user starts it, windows' module and all, up to the main window's
// first paint: the program keeps no switch for its benchmark. Once
// QCoreApplication is made (by the windows' module), every event of the
// program passes here first; after the first paint of a window, the time
// goes to standard output and the event loop ends, so the program ends as
// when its window is closed. Qt Core alone: a widget is known by
// isWidgetType(), a window by having no parent.

#include <cstdio>
#include <ctime>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

namespace {

class FirstPaint final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            !watched->parent()) {
            m_seen = true;
            // The window paints itself first and its controls after it, in
            // the same pass; the zero timer runs once that pass is over.
            QTimer::singleShot(0, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("painted %lld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

void watchFirstPaint()
{
    QCoreApplication *application = QCoreApplication::instance();
    application->installEventFilter(new FirstPaint(application));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchFirstPaint)
