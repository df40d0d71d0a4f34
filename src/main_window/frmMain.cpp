#include "main_window/frmMain.h"

#include "about/frmAbout.h"
#include "about/Maker.h"
#include "files/CameraFormats.h"
#include "files/FileNames.h"
#include "files/FolderList.h"
#include "main_window/BrowsedFileList.h"
#include "main_window/modQuorvel.h"
#include "main_window/TrimCommands.h"
#include "platform/MessageBox.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/CommandButton.h"
#include "ui/DirListBox.h"
#include "ui/DriveListBox.h"
#include "ui/FileListBox.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/MarkedItemDelegate.h"
#include "ui/Screen.h"
#include "ui/TextBox.h"
#include "viewer/dlgShowPicture.h"

#include <exception>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QScopeGuard>
#include <QTimer>

namespace quorvel::main_window {

using namespace ui;

namespace {

// Client area of the window, in twips.
constexpr int clientWidth = 15090;
constexpr int clientHeight = 6180;

} // namespace

frmMain::frmMain(platform::MessageBox &messages, files::VolumeTable &volumes, const App &app,
                 platform::Launcher &launcher, trimming::RecycleFunction recycle,
                 QSettings &settings, const QString &startFolder, QWidget *parent)
    : QMainWindow(parent), ListSides(volumes, m_guard), m_messages(messages), m_volumes(volumes),
      m_app(app), m_launcher(launcher), m_recycle(std::move(recycle)), m_settings(settings),
      m_guard(messages)
{
    setWindowTitle(m_app.Title);
    // Building the window and loading it are one step of start-up: the folder
    // lists made here and the file lists that Form_Load fills all show the
    // start folder, and on a card of 100,000 files one reading of it for all
    // four saves a whole pass. Nothing waits for the user in between; should
    // Form_Load not follow, the event loop's first pass ends the span.
    m_loading.emplace(folderReadings().share());
    QTimer::singleShot(0, this, [this] { m_loading.reset(); });
    createControls(startFolder);
    createMenus(menuBar());
    m_trimCommands = std::make_unique<TrimCommands>(
        TrimCommands::Controls{this, m_app.Title, *this, ComboPicture, ComboRaw, lblToTrim,
                               mnuUndoTrim, mnuTrimSidecars, mnuTrimSubfolders},
        m_messages, m_recycle, m_guard, m_settings);
    connectHandlers();
}

frmMain::~frmMain()
{
    delete m_about;
}

void frmMain::createControls(const QString &startFolder)
{
    auto *client = new QWidget(this);
    // Controls made after this are born with the layout's font, which children
    // take from their parent: setting it on each one after the fact made every
    // control resolve its font and lay itself out a second time at start-up.
    client->setFont(layoutFont());
    client->setMinimumSize(pixels(clientWidth), pixels(clientHeight));
    client->installEventFilter(this);
    setCentralWidget(client);

    // Labels first: a heading or caption that overlaps its box lies under it.
    Label2 = new Label(QStringLiteral("PICTURE FILES :"), client);
    Label1 = new Label(QStringLiteral("Number of files:"), client);
    Label6 = new Label(QStringLiteral("RAW FILES TO TRIM :"), client);
    Label5 = new Label(QStringLiteral("Number of files:"), client);
    std::tie(Drive1, Dir1, ComboPicture, fb1, txtNoFiles1) = createSide(client, startFolder);
    std::tie(Drive2, Dir2, ComboRaw, fb2, txtNoFiles2) = createSide(client, startFolder);
    cmdInfo = new CommandButton(QStringLiteral("Show &Picture"), client);
    checkSync = new CheckBox(QStringLiteral("Synchronise directories"), client);
    cmdRefresh = new CommandButton(QStringLiteral("&Refresh Lists"), client);
    cmdQuorvel = new CommandButton(QStringLiteral("&Trim files"), client);
    cmdExit = new CommandButton(QStringLiteral("E&xit Quorvel"), client);
    Label4 = new Label(
        QStringLiteral("ver. %1.%2 \u00A9 december 2007").arg(m_app.Major).arg(m_app.Minor),
        client);

    struct Placement
    {
        QWidget *control;
        int left, top, width, height;
    };
    // In tab order.
    const Placement layout[] = {
        {Dir1, 120, 840, 3400, 3465},         {Drive1, 120, 480, 3400, 315},
        {txtNoFiles1, 5280, 4440, 1095, 285}, {fb2, 11280, 840, 3495, 3405},
        {txtNoFiles2, 12840, 4440, 975, 285}, {Label1, 3720, 4455, 1815, 255},
        {Label5, 11280, 4455, 1815, 255},     {Label2, 3720, 495, 2415, 255},
        {Label6, 11280, 495, 2655, 255},      {ComboRaw, 13260, 465, 1515, 315},
        {ComboPicture, 5700, 465, 1515, 315}, {cmdQuorvel, 12975, 5160, 1800, 320},
        {cmdRefresh, 10920, 5160, 1800, 320}, {cmdInfo, 3720, 5160, 1800, 320},
        {fb1, 3720, 840, 3495, 3405},         {Drive2, 7680, 480, 3400, 315},
        {Dir2, 7680, 840, 3400, 3465},        {checkSync, 7680, 4395, 3135, 375},
        {cmdExit, 12975, 5760, 1800, 320},    {Label4, 120, 5880, 2415, 255},
    };
    // The check box alone keeps the application's font, as laid out.
    checkSync->setFont(QApplication::font(checkSync));
    QWidget *previous = nullptr;
    for (const Placement &p : layout) {
        placeTwips(p.control, p.left, p.top, p.width, p.height);
        if (p.control->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            setTabOrder(previous, p.control);
        previous = p.control;
    }
    // What the trim would take, in the colour the RAW list marks it with, so
    // that the label is the marks' legend too.
    lblToTrim = new Label(QString(), client);
    placeTwips(lblToTrim, 13875, 4455, 1200, 255);
    lblToTrim->setForeColor(MarkedItemDelegate::markColor);
    lblToTrim->setToolTip(QStringLiteral("RAW files marked in this colour go to the trash on "
                                         "\"Trim files\""));
    fb2->setItemDelegate(new MarkedItemDelegate(fb2));

    // The headings sit partly under the pattern boxes; the boxes must stay on top.
    ComboPicture->raise();
    ComboRaw->raise();

    setSides({Drive1, Dir1, ComboPicture, fb1, txtNoFiles1},
             {Drive2, Dir2, ComboRaw, fb2, txtNoFiles2});
    checkSync->blockSignals(true);
    checkSync->setValue(CheckBox::vbChecked);
    checkSync->blockSignals(false);
    ComboRaw->setText(QStringLiteral("ComboRaw"));
    ComboPicture->setText(QStringLiteral("*.jpg"));
    Dir1->setGuard(&m_guard);
    Dir2->setGuard(&m_guard);
    fb1->setReadings(&folderReadings());
    fb2->setReadings(&folderReadings());
    // "Show Picture" needs a selected picture; a refresh that still lists
    // it must not take it away from under the button.
    fb1->setKeepSelection(true);
    fb2->setKeepSelection(true);

    resize(pixels(clientWidth), pixels(clientHeight) + menuBar()->sizeHint().height());
}

std::tuple<DriveListBox *, DirListBox *, ComboBox *, FileListBox *, TextBox *>
frmMain::createSide(QWidget *client, const QString &startFolder)
{
    return {new DriveListBox(m_volumes, startFolder, client),
            new DirListBox(m_volumes, startFolder, client, &folderReadings()), new ComboBox(client),
            new FileListBox(*new files::FolderList(startFolder, this), client),
            new TextBox(client)};
}

void frmMain::guarded(void (frmMain::*handler)())
{
    ++m_handlerDepth;
    m_guard.run([this, handler] { (this->*handler)(); });
    // Whatever the handler changed, and also when it failed half-way: the
    // marks must show what the trim would take from the lists as they stand.
    if (--m_handlerDepth == 0 && !m_ending)
        m_guard.run([this] { showTrimPreview(); });
}

void frmMain::connectHandlers()
{
    using Handler = void (frmMain::*)();
    const auto on = [this](auto *sender, auto signal, Handler handler) {
        connect(sender, signal, this, [this, handler] { guarded(handler); });
    };
    // Each control kind's event, then the controls that raise it with the
    // handler named after them.
    const auto each =
        [&on]<typename Sender>(auto signal,
                               std::initializer_list<std::pair<Sender *, Handler>> senders) {
            for (const auto &[sender, handler] : senders)
                on(sender, signal, handler);
        };
    using std::pair;
    each(&DriveListBox::Change,
         {pair{Drive1, &frmMain::Drive1_Change}, {Drive2, &frmMain::Drive2_Change}});
    each(&DirListBox::Change, {pair{Dir1, &frmMain::Dir1_Change}, {Dir2, &frmMain::Dir2_Change}});
    each(&ComboBox::Click,
         {pair{ComboPicture, &frmMain::ComboPicture_Click}, {ComboRaw, &frmMain::ComboRaw_Click}});
    each(&FileListBox::DblClick,
         {pair{fb1, &frmMain::fb1_DblClick}, {fb2, &frmMain::fb2_DblClick}});
    each(&CommandButton::Click, {pair{cmdRefresh, &frmMain::cmdRefresh_Click},
                                 {cmdQuorvel, &frmMain::cmdQuorvel_Click},
                                 {cmdInfo, &frmMain::cmdInfo_Click},
                                 {cmdExit, &frmMain::cmdExit_Click}});
    each(&QAction::triggered, {pair{mnuExit, &frmMain::mnuExit_Click},
                               {mnuAbout, &frmMain::mnuAbout_Click},
                               {mnuImport, &frmMain::mnuImport_Click},
                               {mnuUndoTrim, &frmMain::mnuUndoTrim_Click},
                               {mnuTrimSidecars, &frmMain::mnuTrimSidecars_Click},
                               {mnuTrimSubfolders, &frmMain::mnuTrimSubfolders_Click}});
    on(checkSync, &CheckBox::Click, &frmMain::checkSync_Click);
    // The count of what a trim would take is no caption of its own but part of
    // the lists' picture, drawn on the background: a click on it is one there.
    on(lblToTrim, &Label::Click, &frmMain::Form_Click);
    on(fb1, &FileListBox::Click, &frmMain::fb1_Click);
    // Nothing selected, nothing to show.
    connect(fb1, &FileListBox::SelectionLost, cmdInfo, [this] { cmdInfo->setEnabled(false); });
    // The trim's question quotes the pattern boxes, so a box must never be
    // left showing a pattern its list does not go by: once typing ends
    // without a choice, the entry in force is shown again.
    for (ComboBox *box : {ComboPicture, ComboRaw})
        connect(box, &ComboBox::TypingEnded, box, &ComboBox::showChosen);
}

bool frmMain::Form_Load()
{
    const auto loaded = qScopeGuard([this] { m_loading.reset(); });
    if (m_app.PrevInstance) {
        m_loading.reset(); // nothing is read while the user reads this
        m_messages.show(QStringLiteral("Quorvel is already running"),
                        platform::MB_OK | platform::MB_ICONERROR);
        return false;
    }
    // A step that fails (a start folder the user may not read, say) does not
    // stop the ones after it, or the window would open without its patterns
    // and counts; the first failure is reported once they have all run.
    std::exception_ptr failure;
    {
        const auto sharing = folderReadings().share();
        const auto step = [&failure](auto &&action) {
            try {
                action();
            } catch (const std::exception &) {
                if (!failure)
                    failure = std::current_exception();
            }
        };
        step([&] { ComboPicture->setText(QStringLiteral("*.jpg")); });
        step([&] { fb1->setPattern(ComboPicture->Text()); });
        step([&] { ComboRaw->setText(QStringLiteral("*.nef (Nikon)")); });
        step([&] { fb2->setPattern(files::CameraFormats::patternOf(ComboRaw->Text())); });
        step([&] { writeCount(pictureSide()); });
        step([&] { writeCount(rawSide()); });
        for (const QString &entry : files::CameraFormats::rawSideEntries())
            ComboRaw->AddItem(entry);
        for (const QString &entry : files::CameraFormats::pictureSideEntries())
            ComboPicture->AddItem(entry);
        step([&] { cmdInfo->setEnabled(false); });
        startInStep();
        step([&] {
            const QSignalBlocker blocker(
                checkSync); // already checked in the layout: no folder moves
            checkSync->setValue(syncDirs() ? CheckBox::vbChecked : CheckBox::vbUnchecked);
        });
    }
    m_loading.reset();
    if (failure)
        m_guard.run([&failure] { std::rethrow_exception(failure); });
    m_guard.run([this] { showTrimPreview(); });
    return true;
}

void frmMain::Drive1_Change()
{
    moveToChosenDrive(pictureSide());
}

void frmMain::Drive2_Change()
{
    // Choosing a drive on the RAW side (only possible while the sides are
    // independent) moves its folder list there, as on the picture side.
    moveToChosenDrive(rawSide());
}

void frmMain::Dir1_Change()
{
    pictureFolderChosen();
}

void frmMain::Dir2_Change()
{
    rawFolderChosen();
}

void frmMain::checkSync_Click()
{
    setSyncDirs(checkSync->Value() != CheckBox::vbUnchecked);
}

void frmMain::ComboPicture_Click()
{
    applyPattern(pictureSide());
}

void frmMain::ComboRaw_Click()
{
    applyPattern(rawSide());
}

void frmMain::cmdRefresh_Click()
{
    modQuorvel::RefreshFileLists(*this);
}

void frmMain::Form_Click()
{
    modQuorvel::RefreshFileLists(*this);
}

void frmMain::cmdQuorvel_Click()
{
    // Typing ends with the trim at the latest, even when it starts without
    // the focus leaving the box.
    ComboPicture->showChosen();
    ComboRaw->showChosen();
    m_trimCommands->trim();
}

void frmMain::mnuUndoTrim_Click()
{
    m_trimCommands->undo();
}

void frmMain::mnuTrimSidecars_Click()
{
    m_trimCommands->keepOptions();
}

void frmMain::mnuTrimSubfolders_Click()
{
    m_trimCommands->keepOptions();
}

void frmMain::showTrimPreview()
{
    m_trimCommands->showPreview();
}

dlgTrimFolders *frmMain::trimFolders() const
{
    return m_trimCommands->trimFolders();
}

void frmMain::fb1_Click()
{
    cmdInfo->setEnabled(true);
}

void frmMain::fb1_DblClick()
{
    // Always leaves "Show Picture" disabled, whatever the viewer did.
    const auto disableInfo = qScopeGuard([this] { cmdInfo->setEnabled(false); });
    if (fb1->FileName().size() > 5)
        showInViewer(fb1);
}

// A RAW file is looked at through the preview the camera embedded in it, so
// that an orphan can be seen before the trim takes it. The viewer then moves
// through the RAW list.
void frmMain::fb2_DblClick()
{
    if (!fb2->FileName().isEmpty())
        showInViewer(fb2);
}

void frmMain::showInViewer(FileListBox *list)
{
    Screen::setMousePointer(Screen::vbHourglass);
    viewer::dlgShowPicture &dialog = viewerDialog();
    dialog.setTag(files::joinPath(list->Path(), list->FileName()));
    dialog.setBrowsedList(std::make_unique<BrowsedFileList>(list, fb2));
    dialog.ShowModal();
}

void frmMain::cmdInfo_Click()
{
    fb1_DblClick();
}

viewer::dlgShowPicture &frmMain::viewerDialog()
{
    if (!m_viewer) {
        m_viewer = std::make_unique<viewer::dlgShowPicture>(
            m_messages, m_recycle,
            [this] {
                m_guard.run([this] { modQuorvel::RefreshFileLists(*this); });
                m_guard.run([this] { showTrimPreview(); });
            },
            pictures::PictureCache::Decoder(), m_screenProfiles, &m_settings);
        // A rejection in the viewer takes the name out of the list it browses
        // without reading the folder, and the count follows at once. The
        // marks of the other names move with them; a RAW file left without
        // its picture is marked when the viewer closes, as the handler that
        // opened it ends, so that no rejection looks at the whole card.
        connect(m_viewer.get(), &viewer::dlgShowPicture::nameRemoved, this,
                [this] { m_guard.run([this] { writeCounts(); }); });
    }
    return *m_viewer;
}

about::frmAbout *frmMain::aboutBox() const
{
    return m_about.data();
}

void frmMain::mnuImport_Click()
{
    m_import = import_window::dlgImport::open(
        m_import, {m_messages, m_settings, m_volumes, m_picturesFolder}, volumeWatcher(),
        [this](const QString &copy) { showFolder(copy); }, this);
}

void frmMain::mnuAbout_Click()
{
    if (!m_about)
        m_about = new about::frmAbout(m_app, m_launcher, m_messages);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

QString frmMain::farewellPrompt()
{
    return QStringLiteral("Thanks for using Quorvel :-) \n\nDon't forget to support the "
                          "development by comments, suggestions and donations(paypal) to \n\n") +
           QString::fromLatin1(about::makerAddress) +
           QStringLiteral("  \n\nI will immediately send you a link, where you can find the "
                          "latest updated version for your future use.");
}

void frmMain::ShowFarewell()
{
    m_messages.show(farewellPrompt(), platform::MB_OK | platform::MB_ICONINFORMATION,
                    QStringLiteral("Thanks for using Quorvel "));
}

void frmMain::leave()
{
    ShowFarewell();
    // End at once: every window closes and no closing handler of ours runs
    // again, so the farewell is shown exactly once whichever way the user left.
    m_ending = true;
    if (m_about)
        m_about->close();
    if (m_viewer)
        m_viewer->hide();
    close();
    QCoreApplication::exit(0);
}

void frmMain::cmdExit_Click()
{
    leave();
}

void frmMain::mnuExit_Click()
{
    leave();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (!m_ending)
        guarded(&frmMain::leave);
    event->accept();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the window's background, or on a disabled control (whose
    // clicks Qt passes on to the background), re-reads both lists.
    if (watched == centralWidget() && event->type() == QEvent::MouseButtonRelease)
        guarded(&frmMain::Form_Click);
    return QMainWindow::eventFilter(watched, event);
}

} // namespace quorvel::main_window
