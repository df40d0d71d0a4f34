#include "culling/DeleteQuestion.h"

#include "culling/CullingSession.h"
#include "files/FileNames.h"
#include "platform/MessageBox.h"

namespace quorvel::culling {

DeleteQuestion::Result DeleteQuestion::ask(platform::MessageBox &messages, CullingSession &session,
                                           const std::function<void()> &gone)
{
    const QString shown = session.onScreen();
    const files::FileIdentity seen = session.onScreenFile();
    if (shown.isEmpty())
        return Result::NothingShown;
    const QString prompt = QStringLiteral("You are about to delete file:\n") +
                           files::visibleName(shown) +
                           QStringLiteral("\n\nAre you absolutly you want to delete file ?");
    const int answer = messages.show(
        prompt, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2,
        QStringLiteral("Delete file"));
    if (answer != platform::IDYES)
        return Result::No;

    const CullingSession::Rejection rejection = session.rejectConfirmed(shown, seen);
    if (rejection.outcome == CullingSession::Outcome::Rejected) {
        gone();
        messages.show(QStringLiteral("File deleted. \n\nIf you REGRET the file can be found\n"
                                     "in the Recycle Bin and restored :-)"),
                      platform::MB_OK | platform::MB_ICONINFORMATION);
    } else {
        messages.show(QStringLiteral("For some reason the file can't be deleted. \n\n"
                                     "Reported error no: ") +
                          QString::number(rejection.error),
                      platform::MB_OK);
    }
    return Result::Answered;
}

} // namespace quorvel::culling
