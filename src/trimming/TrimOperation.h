#pragma once

#include "trimming/RecycleFile.h"

#include <QString>

namespace quorvel::platform {
class MessageBox;
}

namespace quorvel::trimming {

class TrimHost;

// "Trim files": every RAW file whose base name matches no picture goes to the
// trash, after one question, with each failure and the final count reported.
class TrimOperation
{
public:
    TrimOperation(TrimHost &host, platform::MessageBox &messages,
                  modQuorvel::RecycleFunction recycle, QString makerAddress);

    void run();

    static QString confirmationPrompt(const QString &rawPattern, const QString &picturePattern);
    static QString confirmationTitle(const QString &rawPattern);
    static QString failurePrompt(const QString &fileName, int result);
    static QString summaryPrompt(int deleted, const QString &makerAddress);

private:
    TrimHost &m_host;
    platform::MessageBox &m_messages;
    modQuorvel::RecycleFunction m_recycle;
    QString m_makerAddress;
};

} // namespace quorvel::trimming
