#pragma once

#include "import/ImportPlan.h"
#include "import/ImportPlanner.h"
#include "import/VerifiedCopy.h"
#include "ui/HandlerGuard.h"

#include <functional>
#include <memory>
#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;
class QListWidget;
class QSettings;

namespace quorvel::files {
class VolumeTable;
}

namespace quorvel::platform {
class MessageBox;
class MountWatcher;
} // namespace quorvel::platform

namespace quorvel::import {
class ImportJob;
}

namespace quorvel::ui {
class CommandButton;
class TextBox;
} // namespace quorvel::ui

namespace quorvel::import_window {

class ImportProgress;

// "Import from Card": the cards among the mounted volumes (and a card's
// folder given by hand: a card reader that mounts elsewhere, a card copied
// already), the destination, an optional backup, the preview of what will
// come (planned on a thread of its own, as a card in a slow reader takes
// seconds to walk), and Import, which copies the plan previewed and runs on a thread of its own
// behind a progress window. At the end the user is told the summary and the copy is opened. Its
// controls are public under their own names, as the main window's are.
class dlgImport : public QDialog
{
    Q_OBJECT

public:
    struct Services
    {
        platform::MessageBox &messages;
        QSettings &settings;
        // The mounted volumes, kept up to date by their owner.
        files::VolumeTable &volumes;
        QString picturesFolder; // the user's Pictures folder
        import::ImportPlan::FreeSpaceFunction freeSpace = {};
        import::VerifiedCopy::Hooks hooks = {};
        // Makes the preview's plan; empty: the planner's own.
        import::ImportPlanner::PlanFunction makePlan = {};
    };
    // Shows the copy: the main window's lists on the destination.
    using OpenCopy = std::function<void(const QString &destination)>;

    dlgImport(Services services, OpenCopy openCopy, QWidget *parent = nullptr);
    ~dlgImport() override;

    // The menu's command: the window shown, made first when window is not
    // open, following watcher (when there is one); returns it. It deletes
    // itself once closed, so that each opening looks at the cards afresh.
    static dlgImport *open(QPointer<dlgImport> window, Services services,
                           platform::MountWatcher *watcher, OpenCopy openCopy, QWidget *parent);

    // The card list follows watcher's changes, read from the volume table
    // once its owner (connected first) has updated it.
    void followVolumes(platform::MountWatcher &watcher);

    // Handlers, public so that tests drive them as the user does.
    void lstCards_Change();
    void txtDestination_Change();
    void cmdBrowse_Click();
    void cmdBrowseBackup_Click();
    void cmdImport_Click();
    void volumes_Change();
    void planner_Planned();

    // The card folders checked or given, as the plan takes them.
    QList<QByteArray> cardFolders() const;
    bool isRunning() const;
    // The preview's plan is being made: Import waits for it.
    bool isPlanning() const { return m_planner.isPlanning(); }
    ImportProgress *progress() const { return m_progress.get(); }

    QListWidget *lstCards;
    ui::TextBox *txtCardFolder;
    ui::TextBox *txtDestination;
    ui::CommandButton *cmdBrowse;
    ui::TextBox *txtBackup;
    ui::CommandButton *cmdBrowseBackup;
    QLabel *lblPreview;
    ui::CommandButton *cmdImport;
    ui::CommandButton *cmdClose;

signals:
    // An import has ended and its summary been shown.
    void importEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void connectHandlers();
    void showPreview();
    QList<QByteArray> destinations() const;
    void ended();

    Services m_services;
    OpenCopy m_openCopy;
    ui::HandlerGuard m_guard;
    import::ImportPlanner m_planner;
    // Until the user types a destination, the one offered follows the card.
    bool m_destinationChosen = false;
    // Closed while copying: the run is cancelled, and the window goes once
    // the user has been told what it left.
    bool m_closeWhenEnded = false;
    std::unique_ptr<import::ImportJob> m_job;
    std::unique_ptr<ImportProgress> m_progress;
};

} // namespace quorvel::import_window
