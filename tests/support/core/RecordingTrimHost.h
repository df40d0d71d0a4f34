#pragma once

#include "files/FolderIdentity.h"
#include "trimming/TrimHost.h"

#include <memory>
#include <optional>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quorvel::test {

// The main window as the trim and its undo see it: lists set by the test as
// text, and a record of everything done to the window, in order ("begin",
// "progress 1/2", "select 3 1", "refresh", "end").
class RecordingTrimHost : public trimming::TrimHost
{
public:
    QStringList pictures;
    QStringList raws;
    // Both lists' folder: a real one of the test's own, empty unless the test
    // puts files in it, since a trim moves names only from the very folder
    // they were listed in.
    std::shared_ptr<QTemporaryDir> scratch = std::make_shared<QTemporaryDir>();
    QString folder = scratch->path();
    // The folder as the lists read it; unset, as it is when the trim asks.
    std::optional<files::FolderIdentity> identity;
    QString rawPattern = QStringLiteral("*.nef (Nikon)");
    QString picturePattern = QStringLiteral("*.jpg");
    // Off, only the state below is kept: a benchmark's thousands of progress
    // steps must not be timed as the window's.
    bool recording = true;

    QStringList events;
    bool working = false;
    int lastDone = 0;
    int refreshes = 0;

    trimming::TrimLists lists() const override;
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
