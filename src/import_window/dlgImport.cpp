#include "import_window/dlgImport.h"

#include "files/FileNames.h"
#include "files/VolumeTable.h"
#include "import/CardVolumes.h"
#include "import/ImportChoices.h"
#include "import/ImportFigures.h"
#include "import/ImportJob.h"
#include "import_window/ImportProgress.h"
#include "platform/MessageBox.h"
#include "platform/MountWatcher.h"
#include "ui/CommandButton.h"
#include "ui/TextBox.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QSet>

namespace quorvel::import_window {

using import::ImportChoices;

dlgImport::dlgImport(Services services, OpenCopy openCopy, QWidget *parent)
    : QDialog(parent), m_services(std::move(services)), m_openCopy(std::move(openCopy)),
      m_guard(m_services.messages), m_planner(m_services.freeSpace, m_services.makePlan)
{
    setWindowTitle(QStringLiteral("Import from Card"));
    createControls();
    txtBackup->setText(ImportChoices::load(m_services.settings).backup);
    volumes_Change();
    connectHandlers();
}

dlgImport::~dlgImport() = default;

dlgImport *dlgImport::open(QPointer<dlgImport> window, Services services,
                           platform::MountWatcher *watcher, OpenCopy openCopy, QWidget *parent)
{
    if (!window) {
        window = new dlgImport(std::move(services), std::move(openCopy), parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
        if (watcher)
            window->followVolumes(*watcher);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void dlgImport::createControls()
{
    lstCards = new QListWidget(this);
    txtCardFolder = new ui::TextBox(this);
    txtCardFolder->setPlaceholderText(QStringLiteral("a card's folder, if it is not listed"));
    txtDestination = new ui::TextBox(this);
    cmdBrowse = new ui::CommandButton(QStringLiteral("&Browse…"), this);
    txtBackup = new ui::TextBox(this);
    txtBackup->setPlaceholderText(QStringLiteral("none"));
    cmdBrowseBackup = new ui::CommandButton(QStringLiteral("Bro&wse…"), this);
    lblPreview = new QLabel(this);
    lblPreview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdImport = new ui::CommandButton(QStringLiteral("&Import"), this);
    cmdClose = new ui::CommandButton(QStringLiteral("&Close"), this);
    // The text boxes are the classic read-only kind; these three are typed in.
    for (ui::TextBox *box : {txtCardFolder, txtDestination, txtBackup})
        box->setReadOnly(false);

    auto *grid = new QGridLayout(this);
    const auto caption = [this](const QString &text, QWidget *buddy) {
        auto *label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    grid->addWidget(caption(QStringLiteral("C&ards:"), lstCards), 0, 0, Qt::AlignTop);
    grid->addWidget(lstCards, 0, 1, 1, 2);
    grid->addWidget(caption(QStringLiteral("&Folder:"), txtCardFolder), 1, 0);
    grid->addWidget(txtCardFolder, 1, 1, 1, 2);
    grid->addWidget(caption(QStringLiteral("&Destination:"), txtDestination), 2, 0);
    grid->addWidget(txtDestination, 2, 1);
    grid->addWidget(cmdBrowse, 2, 2);
    grid->addWidget(caption(QStringLiteral("Bac&kup copy:"), txtBackup), 3, 0);
    grid->addWidget(txtBackup, 3, 1);
    grid->addWidget(cmdBrowseBackup, 3, 2);
    grid->addWidget(lblPreview, 4, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdImport);
    buttons->addWidget(cmdClose);
    grid->addLayout(buttons, 5, 0, 1, 3);
    // Enter in a text box ends the typing and shows the preview; only the
    // button itself starts a copy.
    for (ui::CommandButton *button : {cmdBrowse, cmdBrowseBackup, cmdImport, cmdClose})
        button->setAutoDefault(false);
    resize(560, 380);
}

void dlgImport::connectHandlers()
{
    const auto on = [this](auto *sender, auto signal, void (dlgImport::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { m_guard.run([=, this] { (this->*handler)(); }); });
    };
    on(lstCards, &QListWidget::itemChanged, &dlgImport::lstCards_Change);
    on(txtCardFolder, &QLineEdit::editingFinished, &dlgImport::lstCards_Change);
    on(txtDestination, &QLineEdit::textEdited, &dlgImport::txtDestination_Change);
    on(txtBackup, &QLineEdit::editingFinished, &dlgImport::showPreview);
    on(cmdBrowse, &ui::CommandButton::Click, &dlgImport::cmdBrowse_Click);
    on(cmdBrowseBackup, &ui::CommandButton::Click, &dlgImport::cmdBrowseBackup_Click);
    on(cmdImport, &ui::CommandButton::Click, &dlgImport::cmdImport_Click);
    connect(cmdClose, &ui::CommandButton::Click, this, &QDialog::close);
    connect(&m_planner, &import::ImportPlanner::planned, this,
            [this] { m_guard.run([this] { planner_Planned(); }); });
}

void dlgImport::followVolumes(platform::MountWatcher &watcher)
{
    connect(&watcher, &platform::MountWatcher::changed, this,
            [this] { m_guard.run([this] { volumes_Change(); }); });
}

void dlgImport::volumes_Change()
{
    // A card still there keeps the user's tick; a card just put in comes
    // ticked, as it is most likely the one to bring in.
    QSet<QString> unticked;
    for (int row = 0; row < lstCards->count(); ++row) {
        if (lstCards->item(row)->checkState() == Qt::Unchecked)
            unticked.insert(lstCards->item(row)->data(Qt::UserRole).toString());
    }
    {
        const QSignalBlocker blocker(lstCards);
        lstCards->clear();
        for (const files::Volume &card : import::CardVolumes::of(m_services.volumes.list())) {
            auto *item = new QListWidgetItem(import::CardVolumes::shownName(card), lstCards);
            item->setData(Qt::UserRole, card.mountPoint);
            item->setCheckState(unticked.contains(card.mountPoint) ? Qt::Unchecked : Qt::Checked);
        }
    }
    lstCards_Change();
}

QList<QByteArray> dlgImport::cardFolders() const
{
    QList<QByteArray> folders;
    for (int row = 0; row < lstCards->count(); ++row) {
        if (lstCards->item(row)->checkState() == Qt::Checked)
            folders << files::encodeFileName(lstCards->item(row)->data(Qt::UserRole).toString());
    }
    if (!txtCardFolder->Text().trimmed().isEmpty())
        folders << files::encodeFileName(QDir::cleanPath(txtCardFolder->Text().trimmed()));
    return folders;
}

QList<QByteArray> dlgImport::destinations() const
{
    QList<QByteArray> paths;
    for (const ui::TextBox *box : {txtDestination, txtBackup}) {
        if (!box->Text().trimmed().isEmpty())
            paths << files::encodeFileName(QDir::cleanPath(box->Text().trimmed()));
    }
    return paths;
}

void dlgImport::lstCards_Change()
{
    // The card's day is known once its plan lands (planner_Planned); until
    // then the destination offered stays, or is the undated one.
    if (!m_destinationChosen && (cardFolders().isEmpty() || txtDestination->Text().isEmpty())) {
        txtDestination->setText(
            ImportChoices::load(m_services.settings).destinationFor(m_services.picturesFolder, {}));
    }
    showPreview();
}

void dlgImport::txtDestination_Change()
{
    m_destinationChosen = true;
    showPreview();
}

void dlgImport::showPreview()
{
    cmdImport->setEnabled(false);
    const QList<QByteArray> cards = cardFolders();
    if (cards.isEmpty() || txtDestination->Text().trimmed().isEmpty()) {
        m_planner.clear();
        lblPreview->setText(cards.isEmpty()
                                ? QStringLiteral("No card: put one in, or give its folder.")
                                : QStringLiteral("No destination."));
        return;
    }
    m_planner.request({cards, destinations()});
    if (m_planner.isPlanning())
        lblPreview->setText(QStringLiteral("Looking at the card…"));
    else
        planner_Planned();
}

void dlgImport::planner_Planned()
{
    const std::shared_ptr<const import::ImportPlan> plan = m_planner.current();
    if (!plan) {
        lblPreview->setText(m_planner.failure());
        return;
    }
    if (!m_destinationChosen) {
        const QString offered =
            ImportChoices::load(m_services.settings)
                .destinationFor(m_services.picturesFolder, ImportChoices::shootingDayOf(*plan));
        if (files::encodeFileName(QDir::cleanPath(offered)) != plan->destinations()[0].path) {
            txtDestination->setText(offered);
            showPreview();
            return;
        }
    }
    lblPreview->setText(import::ImportFigures::preview(*plan));
    cmdImport->setEnabled(plan->fileCount() > 0 && plan->enoughSpace() && !isRunning());
}

void dlgImport::cmdBrowse_Click()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Destination"), QFileInfo(txtDestination->Text()).path());
    if (folder.isEmpty())
        return;
    txtDestination->setText(folder);
    txtDestination_Change();
}

void dlgImport::cmdBrowseBackup_Click()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Backup copy"), txtBackup->Text());
    if (folder.isEmpty())
        return;
    txtBackup->setText(folder);
    showPreview();
}

bool dlgImport::isRunning() const
{
    return m_job && m_job->isRunning();
}

void dlgImport::cmdImport_Click()
{
    if (isRunning())
        return;
    const QList<QByteArray> cards = cardFolders();
    const QList<QByteArray> targets = destinations();
    // Only what the user saw is copied: while it is being worked out afresh
    // there is nothing to copy yet.
    const std::shared_ptr<const import::ImportPlan> plan = m_planner.planOf({cards, targets});
    if (cards.isEmpty() || txtDestination->Text().trimmed().isEmpty() || !plan)
        return;
    if (targets.size() == 2 && targets[0] == targets[1]) {
        m_services.messages.show(QStringLiteral("The backup copy is the destination itself."),
                                 platform::MB_OK | platform::MB_ICONERROR);
        return;
    }
    for (const QByteArray &target : targets) {
        for (const QByteArray &card : cards) {
            // A copy inside the card would be walked as part of it, and one
            // holding the card would copy it into itself.
            if (target == card || target.startsWith(card + '/') || card.startsWith(target + '/')) {
                m_services.messages.show(
                    QStringLiteral("The destination %1 and the card %2 lie one within the other.")
                        .arg(files::decodeFileName(target), files::decodeFileName(card)),
                    platform::MB_OK | platform::MB_ICONERROR);
                return;
            }
        }
        // The dated folder is made by the run; the folder it goes in, the
        // user's Pictures folder say, may not be there yet on a new account.
        QDir().mkpath(QFileInfo(files::decodeFileName(target)).path());
    }
    ImportChoices choices{txtDestination->Text().trimmed(), txtBackup->Text().trimmed()};
    choices.save(m_services.settings);
    m_destinationChosen = true; // the destination stays what it was until the user changes it

    m_job = std::make_unique<import::ImportJob>(
        import::ImportJob::Request{cards, targets, m_services.freeSpace, m_services.hooks, plan});
    connect(m_job.get(), &import::ImportJob::finished, this,
            [this] { m_guard.run([this] { ended(); }); });
    cmdImport->setEnabled(false);
    m_progress = std::make_unique<ImportProgress>(*m_job, this);
    m_job->start();
}

void dlgImport::ended()
{
    m_progress.reset();
    m_planner.clear(); // the destinations hold the copy now: looked at afresh
    const bool succeeded = m_job->succeeded();
    const QString destination = QDir::cleanPath(txtDestination->Text().trimmed());
    m_services.messages.show(
        m_job->summary(),
        platform::MB_OK | (succeeded ? platform::MB_ICONINFORMATION : platform::MB_ICONWARNING));
    if (QFileInfo(destination).isDir() && m_openCopy)
        m_openCopy(destination);
    showPreview();
    emit importEnded();
    if (m_closeWhenEnded)
        close();
}

void dlgImport::closeEvent(QCloseEvent *event)
{
    // Closing mid-run stops it as Cancel does: the file being copied is
    // removed, every one finished stays, verified.
    if (isRunning()) {
        m_job->cancel();
        m_closeWhenEnded = true;
        event->ignore();
        return;
    }
    m_planner.stop();
    event->accept();
}

} // namespace quorvel::import_window
