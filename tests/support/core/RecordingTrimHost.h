#pragma once

#include "trimming/TrimHost.h"

#include <QString>
#include <QStringList>

namespace quorvel::test {

// The main window as the trim and its undo see it: lists set by the test as
// text, and a record of everything done to the window, in order ("begin",
// "progress 1/2", "select 3 1", "refresh", "end").
class RecordingTrimHost : public trimming::TrimHost
{
public:
    QStringList pictures;
    QStringList raws;
    QString folder = QStringLiteral("/photos");
    QString rawPattern = QStringLiteral("*.nef (Nikon)");
    QString picturePattern = QStringLiteral("*.jpg");
    // Off, only the state below is kept: a benchmark's thousands of progress
    // steps must not be timed as the window's.
    bool recording = true;

    QStringList events;
    bool working = false;
    int lastDone = 0;
    int refreshes = 0;

    std::shared_ptr<const files::NameList> pictureNames() const override;
    std::shared_ptr<const files::NameList> rawNames() const override;
    QString rawFolder() const override { return folder; }
    QString rawPatternText() const override { return rawPattern; }
    QString picturePatternText() const override { return picturePattern; }
    void beginWork() override;
    void progress(int done, int total) override;
    void endWork() override;
    void selectEntries(int rawIndex, int pictureIndex) override;
    void refreshFileLists() override;

private:
    void record(const QString &event);
};

} // namespace quorvel::test
