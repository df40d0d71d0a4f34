#include "support/widgets/XvfbSession.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <unistd.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quorvel::test {

XvfbSession::XvfbSession()
{
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
        QStandardPaths::findExecutable("xdotool").isEmpty()) {
        m_failure = QStringLiteral("Xvfb or xdotool is not installed");
        return;
    }
    // The server picks a free display number itself and tells it once it is
    // ready: several sessions (several test programs run in parallel) can
    // never end up on one display, as guessed numbers could. Without
    // -noreset the server starts afresh each time its last client leaves,
    // and refuses connections meanwhile: a program started just as an
    // xdotool query ends would fail to open the display.
    m_server.setProgram(QStringLiteral("Xvfb"));
    m_server.setArguments(
        {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start();
    if (m_server.waitForStarted()) {
        QByteArray announced;
        QDeadlineTimer deadline(15000);
        while (!announced.contains('\n') && !deadline.hasExpired() &&
               m_server.state() == QProcess::Running) {
            m_server.waitForReadyRead(100);
            announced += m_server.readAllStandardOutput();
        }
        bool ok = false;
        const int number = announced.trimmed().toInt(&ok);
        if (ok && announced.contains('\n'))
            m_display = QStringLiteral(":%1").arg(number);
        else if (m_server.state() != QProcess::NotRunning) {
            m_server.kill();
            m_server.waitForFinished();
        }
    }
    if (m_display.isEmpty())
        m_failure = QStringLiteral("Xvfb did not start");
}

XvfbSession::~XvfbSession()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished();
    }
}

QProcessEnvironment XvfbSession::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

QString XvfbSession::xdotool(const QStringList &args) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("xdotool"), args);
    process.waitForFinished(15000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

qulonglong XvfbSession::findWindow(const QString &titleRegex, qint64 pid) const
{
    QStringList args{"search", "--all", "--onlyvisible"};
    if (pid > 0)
        args << "--pid" << QString::number(pid);
    args << "--name" << titleRegex;
    const QString out = xdotool(args);
    return out.isEmpty() ? 0 : out.split(u'\n').first().toULongLong();
}

qulonglong XvfbSession::waitForWindow(const QString &titleRegex, qint64 pid, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        if (const qulonglong window = findWindow(titleRegex, pid))
            return window;
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return 0;
}

bool XvfbSession::waitUntilGone(const QString &titleRegex, qint64 pid, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        if (!findWindow(titleRegex, pid))
            return true;
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return false;
}

QList<qulonglong> XvfbSession::windowsOf(qint64 pid) const
{
    QList<qulonglong> windows;
    const QString out =
        xdotool({"search", "--all", "--onlyvisible", "--pid", QString::number(pid), "--name", ""});
    for (const QString &id : out.split(u'\n', Qt::SkipEmptyParts))
        windows.append(id.toULongLong());
    return windows;
}

qulonglong XvfbSession::waitForNewWindow(qint64 pid, const QList<qulonglong> &known,
                                         int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        for (const qulonglong window : windowsOf(pid)) {
            if (!known.contains(window))
                return window;
        }
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return 0;
}

void XvfbSession::keys(qulonglong window, const QStringList &keys) const
{
    // --sync waits until the server has given window the focus: the keys
    // that follow go to it, and its focus change reaches it before they do.
    xdotool({"windowfocus", "--sync", QString::number(window)});
    xdotool(QStringList{"key", "--delay", "80"} + keys);
}

bool XvfbSession::requestClose(qulonglong window) const
{
    Display *display = XOpenDisplay(m_display.toLocal8Bit().constData());
    if (!display)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, Window(window), False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return sent != 0;
}

QRect XvfbSession::geometry(qulonglong window) const
{
    const QString out = xdotool({"getwindowgeometry", "--shell", QString::number(window)});
    int x = 0, y = 0, w = 0, h = 0;
    for (const QString &line : out.split(u'\n')) {
        const QString value = line.section(u'=', 1);
        if (line.startsWith("X="))
            x = value.toInt();
        else if (line.startsWith("Y="))
            y = value.toInt();
        else if (line.startsWith("WIDTH="))
            w = value.toInt();
        else if (line.startsWith("HEIGHT="))
            h = value.toInt();
    }
    return QRect(x, y, w, h);
}

bool XvfbSession::screenshot(const QString &file, qulonglong window) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("import"),
                  {"-window", window ? QString::number(window) : QStringLiteral("root"), file});
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

bool XvfbSession::setRootProperty(const QByteArray &name, const QByteArray &bytes, int format) const
{
    Display *display = XOpenDisplay(m_display.toLocal8Bit().constData());
    if (!display)
        return false;
    // Xlib takes 16- and 32-bit units as shorts and longs in memory.
    QByteArray units;
    if (format == 8) {
        units = bytes;
    } else {
        const int width = format / 8;
        for (qsizetype at = 0; at + width <= bytes.size(); at += width) {
            unsigned long value = 0;
            for (int i = width - 1; i >= 0; --i)
                value = (value << 8) | quint8(bytes[at + i]);
            if (format == 16) {
                const short unit = short(value);
                units.append(reinterpret_cast<const char *>(&unit), sizeof unit);
            } else {
                const long unit = long(value);
                units.append(reinterpret_cast<const char *>(&unit), sizeof unit);
            }
        }
    }
    const int count = format == 8 ? int(bytes.size()) : int(bytes.size() / (format / 8));
    XChangeProperty(display, DefaultRootWindow(display),
                    XInternAtom(display, name.constData(), False), XA_CARDINAL, format,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(units.constData()),
                    count);
    // A round trip: the property is there once this returns.
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}

bool XvfbSession::deleteRootProperty(const QByteArray &name) const
{
    Display *display = XOpenDisplay(m_display.toLocal8Bit().constData());
    if (!display)
        return false;
    XDeleteProperty(display, DefaultRootWindow(display),
                    XInternAtom(display, name.constData(), False));
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}

} // namespace quorvel::test
