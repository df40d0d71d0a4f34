#include "main_window/TrimCommands.h"

#include "about/Maker.h"
#include "files/FolderList.h"
#include "main_window/dlgTrimFolders.h"
#include "main_window/FileLists.h"
#include "main_window/modQuorvel.h"
#include "trimming/TreeTrimOperation.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TrimOperation.h"
#include "trimming/UndoTrim.h"
#include "ui/ComboBox.h"
#include "ui/HandlerGuard.h"
#include "ui/InputBlocker.h"
#include "ui/Label.h"
#include "ui/Screen.h"

#include <QAction>
#include <QScopeGuard>
#include <QSettings>

namespace quorvel::main_window {

namespace {

const QString trimProgressText = QStringLiteral("Moving RAW files to the trash: %1 of %2");

// The settings: whether a trim takes the RAW files' sidecars along, and
// whether it covers the folders below too.
const QString sidecarsKey = QStringLiteral("trim/sidecars");
const QString subfoldersKey = QStringLiteral("trim/subfolders");

} // namespace

TrimCommands::TrimCommands(Controls controls, platform::MessageBox &messages,
                           trimming::RecycleFunction recycle, ui::HandlerGuard &guard,
                           QSettings &settings)
    : m_controls(std::move(controls)), m_messages(messages), m_recycle(std::move(recycle)),
      m_settings(settings), m_progress(m_controls.window, m_controls.title),
      m_progressText(trimProgressText)
{
    m_controls.sidecars->setChecked(m_settings.value(sidecarsKey, false).toBool());
    m_controls.subfolders->setChecked(m_settings.value(subfoldersKey, false).toBool());
    QObject::connect(&m_treePlanner, &trimming::TreePlanner::planned, &m_treePlanner,
                     [this, &guard] { guard.run([this] { showTreePreview(); }); });
}

TrimCommands::~TrimCommands() = default;

void TrimCommands::keepOptions()
{
    m_settings.setValue(sidecarsKey, m_controls.sidecars->isChecked());
    m_settings.setValue(subfoldersKey, m_controls.subfolders->isChecked());
    m_settings.sync();
}

void TrimCommands::trim()
{
    if (m_controls.subfolders->isChecked()) {
        trimTree();
        return;
    }
    trimming::TrimOperation trim(*this, m_messages, m_recycle,
                                 QString::fromLatin1(about::makerAddress));
    trim.setSidecars(m_controls.sidecars->isChecked());
    // Kept however the run ends: a refresh that fails after the files went
    // must not take the way back with it.
    const auto keep = qScopeGuard([this, &trim] { keepForUndo(trim.trashed()); });
    trim.run();
}

void TrimCommands::trimTree()
{
    // The plan the preview counted, waited for should the walk still be under
    // way: the one the user is shown before the question is the one that runs.
    m_treePlanner.request(treePlanSource());
    std::shared_ptr<const trimming::TreeTrimPlan> plan;
    {
        ui::Screen::setMousePointer(ui::Screen::vbHourglass);
        const auto restore =
            qScopeGuard([] { ui::Screen::setMousePointer(ui::Screen::vbDefault); });
        plan = m_treePlanner.wait();
    }
    if (!plan) // a folder that can't be read: the failure is the user's answer
        plan = trimming::TreePlanner::plan(treePlanSource(), std::atomic<bool>(false));
    if (!m_trimFolders)
        m_trimFolders = new dlgTrimFolders(m_controls.window);
    trimming::TreeTrimOperation trim(*this, m_messages, m_recycle,
                                     QString::fromLatin1(about::makerAddress));
    const auto keep = qScopeGuard([this, &trim] { keepForUndo(trim.trashed()); });
    trim.run(*plan, *m_trimFolders, m_controls.sidecars->isChecked());
}

void TrimCommands::keepForUndo(std::vector<platform::TrashedFile> trashed)
{
    if (trashed.empty())
        return;
    m_trims.push_back(std::move(trashed));
    m_controls.undo->setEnabled(true);
}

void TrimCommands::undo()
{
    if (m_trims.empty())
        return;
    const std::vector<platform::TrashedFile> files = std::move(m_trims.back());
    m_trims.pop_back();
    m_controls.undo->setEnabled(!m_trims.empty());
    m_progressText = QStringLiteral("Putting files back from the trash: %1 of %2");
    const auto restoreText = qScopeGuard([this] { m_progressText = trimProgressText; });
    trimming::UndoTrim(*this, m_messages).run(files);
}

trimming::TreePlanner::Source TrimCommands::treePlanSource() const
{
    // The patterns as the lists go by them, not as the boxes show them.
    const files::FolderList &pictures = m_controls.lists.pictureList();
    const files::FolderList &raws = m_controls.lists.rawList();
    return {pictures.sharedNames(),
            raws.sharedNames(),
            pictures.path(),
            raws.path(),
            pictures.pattern(),
            raws.pattern(),
            m_controls.sidecars->isChecked()};
}

void TrimCommands::showPreview()
{
    const files::FolderList &raws = m_controls.lists.rawList();
    const bool listsChanged =
        m_preview.update(raws.sharedNames(), m_controls.lists.pictureList().sharedNames(),
                         raws.path(), m_controls.sidecars->isChecked());
    const bool ofTree = m_controls.subfolders->isChecked();
    const bool modeChanged = ofTree != m_previewOfTree;
    m_previewOfTree = ofTree;
    if (!ofTree) {
        // No walk of a tree runs, and no plan is kept, while none is wanted.
        m_treePlanner.clear();
        if (listsChanged || modeChanged)
            showFolderPreview();
        return;
    }
    const bool newWalk = m_treePlanner.request(treePlanSource());
    if (newWalk || listsChanged || modeChanged)
        showTreePreview();
}

void TrimCommands::showFolderPreview()
{
    const std::vector<int> &rows = m_preview.rawFiles();
    m_controls.lists.rawList().setMarkedRows(rows, m_preview.sidecarNotes());
    m_controls.toTrim->setCaption(QStringLiteral("%1 to trim").arg(rows.size()));
}

void TrimCommands::showTreePreview()
{
    // Until the walk below has ended, or when a folder could not be read,
    // what the folder shown would lose.
    const std::shared_ptr<const trimming::TreeTrimPlan> plan = m_treePlanner.current();
    if (!plan) {
        showFolderPreview();
        return;
    }
    // The marks are those of the folder shown: its pair in the plan, which is
    // read from the same folder the list was. Should a file have come or gone
    // between the two readings, the list's own names are marked.
    const trimming::TreeTrimPlan::Pair *shown = nullptr;
    for (const trimming::TreeTrimPlan::Pair &pair : plan->pairs()) {
        if (pair.relativePath.isEmpty())
            shown = &pair;
    }
    files::FolderList &raws = m_controls.lists.rawList();
    if (shown && *shown->rawNames == *raws.sharedNames()) {
        QHash<int, QString> notes;
        for (size_t k = 0; k < shown->toTrim.size(); ++k) {
            if (!shown->sidecars[k].isEmpty())
                notes.insert(shown->toTrim[k],
                             QStringLiteral("+ ") + shown->sidecars[k].join(u", "));
        }
        raws.setMarkedRows(shown->toTrim, notes);
    } else if (shown) {
        raws.setMarkedRows(m_preview.rawFiles(), m_preview.sidecarNotes());
    } else {
        // The folder shown is left alone (no pictures beside its RAW files).
        raws.setMarkedRows({}, {});
    }
    m_controls.toTrim->setCaption(QStringLiteral("%1 to trim").arg(plan->filesToTrim()));
}

// What the trim reads and does on the window.

trimming::TrimLists TrimCommands::lists() const
{
    // The folders the names were read from: the folder lists' own, except
    // after a failed move of a list, when only these are safe.
    const files::FolderList &pictures = m_controls.lists.pictureList();
    const files::FolderList &raws = m_controls.lists.rawList();
    return {pictures.sharedNames(), raws.sharedNames(),   pictures.path(), raws.path(),
            pictures.pattern(),     raws.folderIdentity()};
}

QString TrimCommands::rawPatternText() const
{
    return m_controls.rawPattern->Text();
}

QString TrimCommands::picturePatternText() const
{
    return m_controls.picturePattern->Text();
}

void TrimCommands::beginWork()
{
    m_progress.begin(m_progressText);
    ui::Screen::setMousePointer(ui::Screen::vbHourglass);
    m_inputBlocker = std::make_unique<ui::InputBlocker>(m_controls.window);
}

void TrimCommands::progress(int done, int total)
{
    m_progress.update(done, total);
}

void TrimCommands::endWork()
{
    m_progress.end();
    m_inputBlocker.reset();
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

void TrimCommands::selectEntries(int rawIndex, int pictureIndex)
{
    m_controls.lists.selectEntries(rawIndex, pictureIndex);
}

void TrimCommands::refreshFileLists()
{
    modQuorvel::RefreshFileLists(m_controls.lists);
}

} // namespace quorvel::main_window
