#pragma once

#include "main_window/WorkProgress.h"
#include "platform/Trash.h"
#include "trimming/RecycleFile.h"
#include "trimming/TreePlanner.h"
#include "trimming/TrimHost.h"
#include "trimming/TrimPreview.h"

#include <memory>
#include <QString>
#include <vector>

class QAction;
class QSettings;
class QWidget;

namespace quorvel::platform {
class MessageBox;
}

namespace quorvel::ui {
class ComboBox;
class HandlerGuard;
class InputBlocker;
class Label;
} // namespace quorvel::ui

namespace quorvel::main_window {

class FileLists;
class dlgTrimFolders;

// The main window's trims: the marks on the RAW list of what "Trim files"
// would take, the trim of the folder shown or of its whole tree, and Undo
// Trim with the trims of this run it puts back. It is the trims' TrimHost:
// it reads the lists, holds the window's input off and shows the progress
// while files move. The window keeps its layout and handlers, and calls this.
class TrimCommands : private trimming::TrimHost
{
public:
    // The window's controls the trims read and write.
    struct Controls
    {
        QWidget *window;
        QString title;
        FileLists &lists;
        ui::ComboBox *picturePattern;
        ui::ComboBox *rawPattern;
        // What the trim would take, in words.
        ui::Label *toTrim;
        QAction *undo;
        QAction *sidecars;
        QAction *subfolders;
    };
    // The trim's options (sidecars, sub-folders) start as settings last kept.
    TrimCommands(Controls controls, platform::MessageBox &messages,
                 trimming::RecycleFunction recycle, ui::HandlerGuard &guard, QSettings &settings);
    ~TrimCommands() override;
    TrimCommands(const TrimCommands &) = delete;
    TrimCommands &operator=(const TrimCommands &) = delete;

    // "Trim files": the folder shown, or with sub-folders trimmed too, the
    // tree the preview counted.
    void trim();
    // Puts back what the latest trim not yet undone moved.
    void undo();
    // Keeps the trim's options as chosen now for the next run of the program.
    void keepOptions();
    // Marks on the RAW list what "Trim files" would take now, with the
    // sidecars that would go along, and writes their number beside the count:
    // with sub-folders trimmed too, the number of the whole tree.
    void showPreview();

    // The folders of a trim of sub-folders too; null before the first.
    dlgTrimFolders *trimFolders() const { return m_trimFolders; }

private:
    void trimTree();
    // Keeps what a trim moved for Undo, however the trim ended.
    void keepForUndo(std::vector<platform::TrashedFile> trashed);
    // What a trim of sub-folders too is planned from: the lists as they stand.
    trimming::TreePlanner::Source treePlanSource() const;
    // The marks and count of a trim of the folder shown, and of the tree.
    void showFolderPreview();
    void showTreePreview();

    // TrimHost
    trimming::TrimLists lists() const override;
    QString rawPatternText() const override;
    QString picturePatternText() const override;
    void beginWork() override;
    void progress(int done, int total) override;
    void endWork() override;
    void selectEntries(int rawIndex, int pictureIndex) override;
    void refreshFileLists() override;

    Controls m_controls;
    platform::MessageBox &m_messages;
    trimming::RecycleFunction m_recycle;
    QSettings &m_settings;
    WorkProgress m_progress;
    QString m_progressText;
    std::unique_ptr<ui::InputBlocker> m_inputBlocker;
    trimming::TrimPreview m_preview;
    // With sub-folders trimmed too, what the trim takes from the whole tree,
    // made on a thread of its own for the lists as read and kept until one is
    // read again, so that neither keys moving through a list nor a folder
    // with a huge tree below wait for a walk. What the preview counts is what
    // the trim then shows and takes.
    trimming::TreePlanner m_treePlanner;
    bool m_previewOfTree = false;
    dlgTrimFolders *m_trimFolders = nullptr;
    // What each trim of this run moved, the latest last: what Undo puts back.
    std::vector<std::vector<platform::TrashedFile>> m_trims;
};

} // namespace quorvel::main_window
