#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace quorvel::test {

// A private X server with real input through XTEST (xdotool), for driving the
// real program as a user would. Windows are found by title, optionally by the
// process that owns them.
class XvfbSession
{
public:
    XvfbSession();
    ~XvfbSession();

    // Empty when Xvfb or xdotool is missing, or the server did not come up.
    QString display() const { return m_display; }
    QString failure() const { return m_failure; }

    // Runs xdotool with args on this display; returns its standard output.
    QString xdotool(const QStringList &args) const;
    // The first window whose title matches the regular expression, or 0.
    qulonglong findWindow(const QString &titleRegex, qint64 pid = 0) const;
    qulonglong waitForWindow(const QString &titleRegex, qint64 pid = 0,
                             int timeoutMs = 15000) const;
    bool waitUntilGone(const QString &titleRegex, qint64 pid = 0, int timeoutMs = 15000) const;
    // The visible windows of process pid, whatever their titles: menus too.
    QList<qulonglong> windowsOf(qint64 pid) const;
    // A visible window of process pid that is none of known, such as a menu
    // just opened; 0 when none came.
    qulonglong waitForNewWindow(qint64 pid, const QList<qulonglong> &known,
                                int timeoutMs = 15000) const;
    // Gives window the keyboard focus and types keys (xdotool key syntax).
    void keys(qulonglong window, const QStringList &keys) const;
    // Asks window to close, as a window manager's close box does.
    bool requestClose(qulonglong window) const;
    // Position and size of window on the screen.
    QRect geometry(qulonglong window) const;
    // Saves the screen, or one window, as a PNG (needs ImageMagick's import).
    bool screenshot(const QString &file, qulonglong window = 0) const;
    // Sets a property of the root window, as a desktop's colour settings set
    // _ICC_PROFILE: bytes as they are, of type CARDINAL, in units of format
    // bits (8, 16 or 32). It stays until deleted or the server ends.
    bool setRootProperty(const QByteArray &name, const QByteArray &bytes, int format = 8) const;
    bool deleteRootProperty(const QByteArray &name) const;

    QProcessEnvironment environment() const;

private:
    QProcess m_server;
    QString m_display;
    QString m_failure;
};

} // namespace quorvel::test
