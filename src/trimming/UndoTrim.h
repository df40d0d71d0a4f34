#pragma once

#include "platform/Trash.h"

#include <functional>
#include <QStringList>
#include <vector>

namespace quorvel::platform {
class MessageBox;
}

namespace quorvel::trimming {

class TrimHost;

// "Undo Trim": every file a trim moved goes back where it was, straight from
// where the trash keeps it. A file whose place was taken meanwhile, or that
// has left the trash, stays where it is and is named in the report: nothing
// is ever replaced.
class UndoTrim
{
public:
    // What puts one file back: a stand-in, or, when none is given, the
    // trash's own restore, one platform::RestoreSession for the whole run.
    using RestoreFunction = std::function<int(const platform::TrashedFile &file)>;

    UndoTrim(TrimHost &host, platform::MessageBox &messages, RestoreFunction restore = {});

    // Puts files back, re-reads the lists and reports. Returns how many came back.
    int run(const std::vector<platform::TrashedFile> &files);

    struct Failure
    {
        QString path;
        int error = 0;
    };
    static QString reportPrompt(int restored, const QList<Failure> &failures);
    static QString reportTitle();

private:
    TrimHost &m_host;
    platform::MessageBox &m_messages;
    RestoreFunction m_restore;
};

} // namespace quorvel::trimming
