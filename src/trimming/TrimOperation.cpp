#include "trimming/TrimOperation.h"

#include "files/FileNames.h"
#include "files/NameList.h"
#include "platform/MessageBox.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TrimHost.h"
#include "trimming/TrimRun.h"

#include <cerrno>
#include <QScopeGuard>

namespace quorvel::trimming {

using namespace platform;

TrimOperation::TrimOperation(TrimHost &host, MessageBox &messages, RecycleFunction recycle,
                             QString makerAddress)
    : m_host(host), m_messages(messages), m_recycle(std::move(recycle)),
      m_makerAddress(std::move(makerAddress))
{}

QString TrimOperation::confirmationPrompt(const QString &rawPattern, const QString &picturePattern,
                                          std::optional<int> sidecars, const QString &total)
{
    const QString totalLine = total.isEmpty() ? QString() : QStringLiteral("\n") + total;
    const QString sidecarLine =
        sidecars ? QStringLiteral("\n%1 sidecar file(s) go to the trash with their RAW files")
                       .arg(*sidecars)
                 : QString();
    return QStringLiteral("You are about to trim your RAW-files (pattern: ") + rawPattern +
           QStringLiteral(") so only ") + QStringLiteral("\n") +
           QStringLiteral("the files with the same name as your picture files (pattern: ") +
           picturePattern + QStringLiteral(") remains") + totalLine + sidecarLine +
           QStringLiteral("\n\n") +
           QStringLiteral("Are you absolutly sure you want to delete file(s) ?");
}

QString TrimOperation::confirmationTitle(const QString &rawPattern)
{
    return QStringLiteral("Delete ") + rawPattern + QStringLiteral(" files");
}

QString TrimOperation::failurePrompt(const QString &fileName, int result)
{
    return QStringLiteral("For some reason the file ") + files::visibleName(fileName) +
           QStringLiteral(" can't be deleted. ") + QStringLiteral("\n\n") +
           QStringLiteral("Reported error no: ") + QString::number(result);
}

QString TrimOperation::folderFailurePrompt(const QString &folder, int result)
{
    const QString why = result == ESTALE
                            ? QStringLiteral("it is no longer the folder that was listed. Refresh "
                                             "the lists and look again before you trim.")
                            : QStringLiteral("it can't be read.");
    return QStringLiteral("Nothing was moved from ") + files::visibleName(folder) +
           QStringLiteral(": ") + why + QStringLiteral("\n\n") +
           QStringLiteral("Reported error no: ") + QString::number(result);
}

QString TrimOperation::summaryPrompt(int deleted, const QString &makerAddress,
                                     std::optional<int> sidecars, int picturesBack)
{
    const QString sidecarLine =
        sidecars ? QStringLiteral("\nand %1 sidecar file(s) with them").arg(*sidecars) : QString();
    const QString backLine =
        picturesBack > 0 ? QStringLiteral("\n%1 kept: their pictures are back").arg(picturesBack)
                         : QString();
    return QStringLiteral("You have deleted ") + QString::number(deleted) +
           QStringLiteral(" file(s)") + sidecarLine + backLine + QStringLiteral("\n\n") +
           QStringLiteral(
               "If you REGRET the file(s) can be found in the Recycle Bin and restored :-)") +
           QStringLiteral("\n\n") +
           QStringLiteral("This program is fully functional but still under development.") +
           QStringLiteral("\n\n") +
           QStringLiteral("If you enjoy using the program and want to support the development "
                          "please send comments and suggestions. ") +
           QStringLiteral("\n") +
           QStringLiteral("Your are also welcome to donate $5 to my paypal account ") +
           QStringLiteral("\n\n") + makerAddress + QStringLiteral("  ") + QStringLiteral("\n\n") +
           QStringLiteral("and send me an e-mail to the same address. ") + QStringLiteral("\n") +
           QStringLiteral("I will immediately send you a link, where you can find the latest "
                          "updated version for your future use.");
}

namespace {

// What the window shows of a run: each failure in a message box of its own,
// as it happens, and the progress.
class WindowObserver : public TrimRun::Observer
{
public:
    WindowObserver(TrimHost &host, MessageBox &messages) : m_host(host), m_messages(messages) {}

    void failed(const TreeTrimPlan::Pair &pair, const QByteArray &name, bool, int error) override
    {
        // A file below the folder trimmed is named with its folder, so that
        // the user knows which of a card's DSC_0001.NEF could not go.
        const QString shown = files::decodeFileName(name);
        m_messages.show(
            TrimOperation::failurePrompt(
                pair.relativePath.isEmpty() ? shown : pair.relativePath + u'/' + shown, error),
            MB_OK);
    }
    void folderFailed(const TreeTrimPlan::Pair &, const QString &folder, int error) override
    {
        m_messages.show(TrimOperation::folderFailurePrompt(folder, error), MB_OK);
    }
    void progress(int done, int total) override { m_host.progress(done, total); }

private:
    TrimHost &m_host;
    MessageBox &m_messages;
};

} // namespace

void TrimOperation::moveAndReport(TrimHost &host, MessageBox &messages,
                                  const RecycleFunction &recycle, const QString &makerAddress,
                                  const TreeTrimPlan &plan, bool sidecars,
                                  std::vector<platform::TrashedFile> &trashed)
{
    host.beginWork();
    const auto endWork = qScopeGuard([&host] { host.endWork(); });
    TrimRun run(plan, recycle);
    // Kept however the run ends: a failure after files went must not take
    // the way back with it.
    const auto keepTrashed = qScopeGuard([&] { trashed = run.trashed(); });
    WindowObserver observer(host, messages);
    run.run(observer);

    // Where walking every RAW file against every picture would have left
    // the lists shown.
    const TrimLists lists = host.lists();
    host.selectEntries(int(lists.raws->size()) - 1, int(lists.pictures->size()) - 1);
    messages.show(summaryPrompt(run.moved(), makerAddress,
                                sidecars ? std::optional<int>(run.sidecarsMoved()) : std::nullopt,
                                run.picturesBack()),
                  MB_OK | MB_ICONINFORMATION, QStringLiteral("Thanks using Quorvel "));
    host.refreshFileLists();
}

void TrimOperation::run()
{
    // Taken once: the lists must stay as they were read while files leave
    // the folder, whatever the window does meanwhile.
    const TrimLists lists = m_host.lists();
    if (lists.pictures->isEmpty() || lists.raws->isEmpty()) {
        m_messages.show(QStringLiteral("No files to trim. Change path or file pattern."),
                        MB_OK | MB_ICONINFORMATION);
        return;
    }

    // What goes is settled before the question, sidecars included, so that
    // the answer covers exactly what moves: a sidecar an editor writes while
    // the question is open stays where it is.
    const TreeTrimPlan plan = TreeTrimPlan::ofLists(lists, m_sidecars);
    const QString rawPattern = m_host.rawPatternText();
    const int answer = m_messages.show(
        confirmationPrompt(rawPattern, m_host.picturePatternText(),
                           m_sidecars ? std::optional<int>(plan.sidecarsToTrim()) : std::nullopt),
        MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, confirmationTitle(rawPattern));
    if (answer != IDYES)
        return;
    moveAndReport(m_host, m_messages, m_recycle, m_makerAddress, plan, m_sidecars, m_trashed);
}

} // namespace quorvel::trimming
