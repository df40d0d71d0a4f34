#pragma once

#include "platform/Trash.h"
#include "trimming/RecycleFile.h"

#include <optional>
#include <QString>
#include <vector>

namespace quorvel::platform {
class MessageBox;
}

namespace quorvel::trimming {

class TreeTrimPlan;
class TrimHost;

// "Trim files": every RAW file whose base name matches no picture goes to the
// trash, after one question, with each failure and the final count reported.
class TrimOperation
{
public:
    TrimOperation(TrimHost &host, platform::MessageBox &messages, RecycleFunction recycle,
                  QString makerAddress);

    // With on, each RAW file that goes takes its sidecars along (see
    // Sidecars). Off unless asked for.
    void setSidecars(bool on) { m_sidecars = on; }

    void run();

    // Where every file this run moved went, sidecars included, in the order
    // they went: what "Undo Trim" puts back. Complete even when the run ended
    // in a failure after moving files.
    const std::vector<platform::TrashedFile> &trashed() const { return m_trashed; }

    // With sidecars given (the option on), the question and the summary each
    // gain a line with their count; without, they are exactly as they were.
    // A trim of a whole tree also names what it takes in all, in total.
    static QString confirmationPrompt(const QString &rawPattern, const QString &picturePattern,
                                      std::optional<int> sidecars = std::nullopt,
                                      const QString &total = QString());
    static QString confirmationTitle(const QString &rawPattern);
    static QString failurePrompt(const QString &fileName, int result);
    // Said once for a folder nothing moved from: folder is not the one
    // listed any more (ESTALE), or can't be read.
    static QString folderFailurePrompt(const QString &folder, int result);
    // The summary gains a line for the RAW files that stayed because their
    // pictures came back while the question was open.
    static QString summaryPrompt(int deleted, const QString &makerAddress,
                                 std::optional<int> sidecars = std::nullopt, int picturesBack = 0);

    // On Yes: the plan's files to the trash with the window kept busy, each
    // failure told, then the summary and the lists read again. trashed gets
    // every file that went, however the run ends.
    static void moveAndReport(TrimHost &host, platform::MessageBox &messages,
                              const RecycleFunction &recycle, const QString &makerAddress,
                              const TreeTrimPlan &plan, bool sidecars,
                              std::vector<platform::TrashedFile> &trashed);

private:
    TrimHost &m_host;
    platform::MessageBox &m_messages;
    RecycleFunction m_recycle;
    QString m_makerAddress;
    bool m_sidecars = false;
    std::vector<platform::TrashedFile> m_trashed;
};

} // namespace quorvel::trimming
