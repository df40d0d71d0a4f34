#include "ui/HandlerGuard.h"

#include "files/FileNames.h"
#include "files/FolderError.h"
#include "platform/MessageBox.h"
#include "ui/Screen.h"

#include <QScopedValueRollback>
#include <QThread>

namespace quorvel::ui {

HandlerGuard::HandlerGuard(platform::MessageBox &messages) : m_messages(messages) {}

void HandlerGuard::run(const std::function<void()> &handler)
{
    // A handler that runs inside a modal window's event loop (the viewer's
    // Delete, say) is not nested in the handler that opened the window: it
    // is the outermost of its own, and its failures must stop there.
    const int loopLevel = QThread::currentThread()->loopLevel();
    if (m_depth > 0 && loopLevel == m_loopLevel) {
        const QScopedValueRollback nested(m_depth, m_depth + 1);
        handler();
        return;
    }
    const QScopedValueRollback outermost(m_depth, 1);
    const QScopedValueRollback level(m_loopLevel, loopLevel);
    try {
        handler();
    } catch (...) {
        // Whatever the handler had set, the pointer goes back to normal.
        Screen::setMousePointer(Screen::vbDefault);
        report(std::current_exception());
    }
}

void HandlerGuard::report(const std::exception_ptr &failure)
{
    QString prompt;
    try {
        std::rethrow_exception(failure);
    } catch (const files::FolderError &error) {
        prompt = QStringLiteral("The folder %1 can't be read.\n\n%2")
                     .arg(files::visibleName(error.folder()), error.reason());
    } catch (const std::exception &error) {
        prompt = QStringLiteral("Something went wrong and the last step was not done.\n\n%1")
                     .arg(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        prompt = QStringLiteral("Something went wrong and the last step was not done.");
    }
    m_messages.show(prompt, platform::MB_OK | platform::MB_ICONERROR);
}

} // namespace quorvel::ui
