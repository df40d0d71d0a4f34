#pragma once

#include "platform/Trash.h"
#include "trimming/RecycleFile.h"

#include <QString>
#include <vector>

namespace quorvel::platform {
class MessageBox;
}

namespace quorvel::trimming {

class TreeTrimPlan;
class TreeTrimTable;
class TrimHost;

// "Trim files" over a folder and every folder below it: the plan, settled
// before anything is asked, is shown folder by folder while the one question
// is open; on Yes each RAW file of it goes to the trash, sidecars along,
// with each failure and the final count reported as a trim of one folder
// reports them.
class TreeTrimOperation
{
public:
    // Where the folder rows are shown while the question is open.
    class FolderWindow
    {
    public:
        virtual ~FolderWindow() = default;
        virtual void showFolders(const TreeTrimTable &table) = 0;
        virtual void closeFolders() = 0;
    };

    TreeTrimOperation(TrimHost &host, platform::MessageBox &messages, RecycleFunction recycle,
                      QString makerAddress);

    // sidecars tells whether plan was made with them.
    void run(const TreeTrimPlan &plan, FolderWindow &window, bool sidecars);

    // Where every file this run moved went, sidecars included, in the order
    // they went: what "Undo Trim" puts back, as one step.
    const std::vector<platform::TrashedFile> &trashed() const { return m_trashed; }

private:
    TrimHost &m_host;
    platform::MessageBox &m_messages;
    RecycleFunction m_recycle;
    QString m_makerAddress;
    std::vector<platform::TrashedFile> m_trashed;
};

} // namespace quorvel::trimming
