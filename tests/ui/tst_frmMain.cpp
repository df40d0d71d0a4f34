#include "about/frmAbout.h"
#include "files/VolumeTable.h"
#include "import_window/dlgImport.h"
#include "main_window/dlgTrimFolders.h"
#include "main_window/frmMain.h"
#include "main_window/modQuorvel.h"
#include "platform/MessageBox.h"
#include "platform/MountWatcher.h"
#include "support/core/FakeLauncher.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/TestFiles.h"
#include "support/widgets/ListedNames.h"
#include "support/widgets/MainWindowFixture.h"
#include "trimming/RecycleFile.h"
#include "trimming/TrimOperation.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/CommandButton.h"
#include "ui/DirListBox.h"
#include "ui/DriveListBox.h"
#include "ui/FileListBox.h"
#include "ui/Label.h"
#include "ui/Screen.h"
#include "ui/TextBox.h"
#include "viewer/dlgShowPicture.h"

#include <memory>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMenuBar>
#include <QPointer>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quorvel;
using quorvel::test::FakeLauncher;
using quorvel::test::FakeMessageBox;
using quorvel::test::touchFiles;
using quorvel::test::trashedNames;

class tst_frmMain : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> temp;
    QString photos;   // the start folder
    QString dataHome; // $XDG_DATA_HOME, holding the trash
    test::MainWindowFixture fixture;
    FakeMessageBox &messages = fixture.messages();
    FakeLauncher &launcher = fixture.launcher();

    // A main window started in photos, as the program starts it.
    main_window::frmMain &start(ui::App app = ui::App::fromBuild())
    {
        return fixture.start(photos, app);
    }

    static QStringList entries(const ui::ComboBox *box)
    {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list << box->itemText(i);
        return list;
    }

    // Chooses entry text from a pattern box's list, as the user does.
    static void choose(ui::ComboBox *box, const QString &text)
    {
        const int index = box->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        photos = temp->filePath("photos");
        dataHome = temp->filePath("data");
        QDir().mkpath(dataHome);
        qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
        touchFiles(photos,
                   {"DSC_0001.jpg", "DSC_0002.JPG", "DSC_0003.jpg", "DSC_0001.nef", "DSC_0002.nef",
                    "DSC_0004.NEF", "DSC_0005.nef", "DSC_0006.nef", "notes.txt"});
        fixture.reset();
        fixture.setVolumes(QList<files::Volume>{{"/", {}}, {temp->filePath("card"), "CARD"}});
    }
    void cleanup()
    {
        fixture.reset();
        temp.reset();
    }

    void stateAfterStartUp()
    {
        main_window::frmMain &w = start();
        QCOMPARE(w.windowTitle(), QStringLiteral("Quorvel"));
        QCOMPARE(w.fb1->Path(), photos);
        QCOMPARE(w.fb2->Path(), photos);
        QCOMPARE(w.Dir1->Path(), photos);
        QCOMPARE(w.Dir2->Path(), photos);
        QCOMPARE(w.ComboPicture->Text(), QStringLiteral("*.jpg"));
        QCOMPARE(w.fb1->Pattern(), QStringLiteral("*.jpg"));
        QCOMPARE(w.ComboRaw->Text(), QStringLiteral("*.nef (Nikon)"));
        QCOMPARE(w.fb2->Pattern(), QStringLiteral("*.nef"));
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("3"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("5"));
        QCOMPARE(test::listedNames(*w.fb1),
                 (QStringList{"DSC_0001.jpg", "DSC_0002.JPG", "DSC_0003.jpg"}));

        const QStringList raw = {"*.nef (Nikon)",   "*.crw (Canon)", "*.cr2 (Canon)",
                                 "*.kdc (Kodak)",   "*.dcr (Kodak)", "*.mrw (Minolta)",
                                 "*.orf (Olympus)", "*.dng (Adobe)", "*.ptx (Pentax)",
                                 "*.pef (Pentax)",  "*.arw (Sony)",  "*.raf (Fuji)",
                                 "*.x3f (Sigma)",   "*.raw",         "-------",
                                 "*.jpg",           "*.tif",         "*.tiff"};
        QCOMPARE(entries(w.ComboRaw), raw);
        QCOMPARE(entries(w.ComboPicture),
                 QStringList({"*.jpg", "*.tif", "*.tiff", "-------"}) + raw.mid(0, 14));

        QVERIFY(!w.Drive2->isEnabled());
        QVERIFY(!w.Dir2->isEnabled());
        QVERIFY(w.Drive1->isEnabled());
        QVERIFY(w.Dir1->isEnabled());
        QVERIFY(!w.cmdInfo->isEnabled());
        QCOMPARE(w.checkSync->Value(), ui::CheckBox::vbChecked);
        QVERIFY(w.syncDirs());
        QCOMPARE(messages.count(), 0);
    }

    // Volumes come and go while the window is open; the drive lists follow,
    // and a drive list goes on showing its drive while that is mounted.
    void drivesFollowTheMountTable_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("startIn");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a card put in") << QStringList{} << QStringList{"card"} << "photos"
                                       << "/";
        QTest::newRow("a card taken out") << QStringList{"card"} << QStringList{} << "photos"
                                          << "/";
        QTest::newRow("the card shown taken out") << QStringList{"card"} << QStringList{} << "card"
                                                  << "/";
        QTest::newRow("another card put in while one is shown")
            << QStringList{"card"} << QStringList{"card", "card2"} << "card"
            << "card";
    }
    void drivesFollowTheMountTable()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, startIn);
        QFETCH(QString, shown);
        touchFiles(temp->filePath("card"), {"C_0001.jpg", "C_0001.nef"});
        touchFiles(temp->filePath("card2"), {"D_0001.jpg"});
        const auto volumes = [this](const QStringList &cards) {
            QList<files::Volume> list{{"/", {}}};
            for (const QString &card : cards)
                list.append({temp->filePath(card), card.toUpper()});
            return list;
        };
        const auto mountPoint = [this](const QString &name) {
            return name == "/" ? name : temp->filePath(name);
        };
        fixture.setVolumes(volumes(before));
        photos = temp->filePath(startIn);
        main_window::frmMain &w = start();
        platform::MountWatcher watcher;
        w.followVolumes(watcher, [&] { return volumes(after); });
        emit watcher.changed();

        for (ui::DriveListBox *drive : {w.Drive1, w.Drive2}) {
            QStringList listed;
            for (int i = 0; i < drive->count(); ++i)
                listed << drive->itemData(i).toString();
            QStringList expected{"/"};
            for (const QString &card : after)
                expected << temp->filePath(card);
            QCOMPARE(listed, expected);
            QCOMPARE(drive->Drive().mountPoint, mountPoint(shown));
        }
        QCOMPARE(w.Dir1->Path(), photos); // no folder moved
        QCOMPARE(messages.count(), 0);

        // A volume now listed can be chosen, and lists its files.
        if (!after.isEmpty() && !before.contains(after.last())) {
            const QString newest = temp->filePath(after.last());
            w.Drive1->setCurrentIndex(w.Drive1->findData(newest));
            QCOMPARE(w.Dir1->Path(), newest);
            QCOMPARE(w.fb1->Path(), newest);
            QCOMPARE(w.txtNoFiles1->Text(), QString::number(w.fb1->ListCount()));
            QCOMPARE(w.fb1->ListCount(), 1);
        }
    }

    void emptyFolderCountsZero()
    {
        photos = temp->filePath("empty");
        QDir().mkpath(photos);
        main_window::frmMain &w = start();
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("0"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("0"));
    }

    void secondCopyIsRefused()
    {
        ui::App app = ui::App::fromBuild();
        app.PrevInstance = true;
        main_window::frmMain &w = fixture.build(photos, app);
        QVERIFY(!w.Form_Load());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().prompt, QStringLiteral("Quorvel is already running"));
        QCOMPARE(messages.last().flags, 0x10);
        QCOMPARE(messages.last().title, QString()); // the box then carries "Quorvel"
        QVERIFY(!w.isVisible());
    }

    // The window shares one reading of the start folder between building and
    // loading, and never beyond: after that every list reads the disk again.
    void startUpReadingEndsWithTheLoad_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("loaded") << QStringLiteral("loaded");
        QTest::newRow("refused as a second copy") << QStringLiteral("refused");
        QTest::newRow("never loaded") << QStringLiteral("never");
    }
    void startUpReadingEndsWithTheLoad()
    {
        QFETCH(QString, how);
        ui::App app = ui::App::fromBuild();
        app.PrevInstance = how == u"refused";
        main_window::frmMain &w = fixture.build(photos, app);
        QVERIFY(w.folderReadings().isSharing());
        if (how == u"never")
            QCoreApplication::processEvents();
        else
            w.Form_Load();
        QVERIFY(!w.folderReadings().isSharing());

        // What changes on the disk from then on shows up in the lists.
        touchFiles(photos, {QStringLiteral("LATER.JPG")});
        w.fb1->setPattern(QStringLiteral("*.jpg"));
        w.fb1->setPath(photos);
        QVERIFY(test::listedNames(*w.fb1).contains(QStringLiteral("LATER.JPG")));
    }

    void subfolderInStep()
    {
        touchFiles(photos + "/day2", {"A.jpg", "A.nef", "B.nef"});
        main_window::frmMain &w = start();
        w.Dir1->setPath(photos + "/day2");
        QCOMPARE(w.fb1->Path(), photos + "/day2");
        QCOMPARE(w.fb2->Path(), photos + "/day2");
        QCOMPARE(w.Dir2->Path(), photos + "/day2");
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("1"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("2"));
    }

    void openingAFolderEntryWithTheKeyboard()
    {
        touchFiles(photos + "/day2", {"A.jpg"});
        main_window::frmMain &w = start();
        const auto items = w.Dir1->findItems("day2", Qt::MatchEndsWith);
        QCOMPARE(items.size(), 1);
        w.Dir1->setCurrentItem(items.first());
        QTest::keyClick(w.Dir1, Qt::Key_Return);
        QCOMPARE(w.fb1->Path(), photos + "/day2");
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("1"));
    }

    void driveChangeGoesToThatDrivesCurrentFolder()
    {
        const QString card = temp->filePath("card");
        touchFiles(card + "/DCIM/100", {"X.jpg", "X.nef", "Y.nef"});
        main_window::frmMain &w = start();
        fixture.volumes().remember(card + "/DCIM/100"); // visited before
        const files::Volume cardVolume = fixture.volumes().volumeOf(card);
        w.Drive1->setDrive(cardVolume);
        QCOMPARE(w.Dir1->Path(), card + "/DCIM/100");
        QCOMPARE(w.fb1->Path(), card + "/DCIM/100");
        QCOMPARE(w.Dir2->Path(), card + "/DCIM/100");
        QCOMPARE(w.fb2->Path(), card + "/DCIM/100");
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("1"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("2"));
        QCOMPARE(messages.count(), 0);
    }

    // A drive without a medium: reported, nothing else moves, and the drive
    // list shows the drive the folder list is still on.
    void driveWithoutMedium()
    {
        main_window::frmMain &w = start();
        const files::Volume before = w.Drive1->Drive();
        w.Drive1->setDrive(fixture.volumes().volumeOf(temp->filePath("card"))); // not there
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().flags, platform::MB_ICONERROR);
        QVERIFY(messages.last().prompt.contains(temp->filePath("card")));
        QVERIFY(messages.last().prompt.contains(QStringLiteral("No such file or directory")));
        QCOMPARE(w.Dir1->Path(), photos);
        QCOMPARE(w.fb1->Path(), photos);
        QCOMPARE(w.Drive1->Drive().mountPoint, before.mountPoint);
        QCOMPARE(ui::Screen::MousePointer(), 0);
    }

    void independentSidesMoveAlone()
    {
        touchFiles(photos + "/jpegs", {"A.jpg", "B.jpg"});
        touchFiles(photos + "/raws", {"A.nef"});
        main_window::frmMain &w = start();
        w.checkSync->setValue(ui::CheckBox::vbUnchecked);
        QVERIFY(!w.syncDirs());
        QVERIFY(w.Dir2->isEnabled());
        QVERIFY(w.Drive2->isEnabled());
        QCOMPARE(w.Dir2->Path(), photos); // nothing moved

        w.Dir1->setPath(photos + "/jpegs");
        QCOMPARE(w.fb1->Path(), photos + "/jpegs");
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("2"));
        QCOMPARE(w.Dir2->Path(), photos);
        QCOMPARE(w.fb2->Path(), photos);
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("5"));

        w.Dir2->setPath(photos + "/raws");
        QCOMPARE(w.fb2->Path(), photos + "/raws");
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("1"));
        QCOMPARE(w.fb1->Path(), photos + "/jpegs");
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("2"));
    }

    void recheckingSyncBringsTheRawSideBack()
    {
        touchFiles(photos + "/raws", {"A.nef"});
        main_window::frmMain &w = start();
        w.checkSync->setValue(ui::CheckBox::vbUnchecked);
        w.Dir2->setPath(photos + "/raws");
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("1"));

        w.checkSync->setValue(ui::CheckBox::vbChecked);
        QVERIFY(w.syncDirs());
        QCOMPARE(w.Dir2->Path(), photos);
        QCOMPARE(w.fb2->Path(), photos);
        QCOMPARE(w.Drive2->Drive().mountPoint, w.Drive1->Drive().mountPoint);
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("5"));
        QVERIFY(!w.Dir2->isEnabled());
        QVERIFY(!w.Drive2->isEnabled());
    }

    void patternChoices_data()
    {
        QTest::addColumn<bool>("pictureSide");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("tiff cut to tif lists both")
            << true << "*.tiff" << QStringList{"scan.tif", "scan.tiff"};
        QTest::newRow("tif") << true << "*.tif" << QStringList{"scan.tif", "scan.tiff"};
        QTest::newRow("separator on the picture side") << true << "-------" << QStringList{};
        QTest::newRow("separator on the RAW side") << false << "-------" << QStringList{};
        QTest::newRow("RAW entry on the picture side")
            << true << "*.nef (Nikon)"
            << QStringList{"DSC_0001.nef", "DSC_0002.nef", "DSC_0004.NEF", "DSC_0005.nef",
                           "DSC_0006.nef"};
        QTest::newRow("jpg on the RAW side")
            << false << "*.jpg" << QStringList{"DSC_0001.jpg", "DSC_0002.JPG", "DSC_0003.jpg"};
    }
    void patternChoices()
    {
        QFETCH(bool, pictureSide);
        QFETCH(QString, entry);
        QFETCH(QStringList, listed);
        touchFiles(photos, {"scan.tif", "scan.tiff"});
        main_window::frmMain &w = start();
        ui::ComboBox *box = pictureSide ? w.ComboPicture : w.ComboRaw;
        ui::FileListBox *list = pictureSide ? w.fb1 : w.fb2;
        ui::TextBox *count = pictureSide ? w.txtNoFiles1 : w.txtNoFiles2;
        choose(box, entry);
        QCOMPARE(test::listedNames(*list), listed);
        QCOMPARE(count->Text(), QString::number(listed.size()));
    }

    void separatorListsAFileNamedLikeIt()
    {
        touchFiles(photos, {"-----"});
        main_window::frmMain &w = start();
        choose(w.ComboRaw, "-------");
        QCOMPARE(test::listedNames(*w.fb2), QStringList{"-----"});
    }

    void typingAPatternChangesNothing()
    {
        touchFiles(photos, {"A.cr2"});
        main_window::frmMain &w = start();
        w.ComboRaw->lineEdit()->selectAll();
        QTest::keyClicks(w.ComboRaw->lineEdit(), "*.cr2");
        QCOMPARE(w.ComboRaw->Text(), QStringLiteral("*.cr2"));
        QCOMPARE(w.fb2->Pattern(), QStringLiteral("*.nef"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("5"));
        QTest::keyClick(w.ComboRaw->lineEdit(), Qt::Key_Return); // matches no entry
        QCOMPARE(w.fb2->Pattern(), QStringLiteral("*.nef"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("5"));
    }

    // A pattern typed but never chosen is not what the lists go by: the trim's
    // question must quote, and the trim move, what the lists were chosen with.
    void trimQuotesThePatternInForce_data()
    {
        QTest::addColumn<bool>("rawSide");
        QTest::addColumn<QString>("ending");
        QTest::newRow("RAW side, Enter") << true << "Enter";
        QTest::newRow("RAW side, a click on Trim files") << true << "click";
        QTest::newRow("RAW side, the trim started at once") << true << "trim";
        QTest::newRow("picture side, Enter") << false << "Enter";
        QTest::newRow("picture side, the trim started at once") << false << "trim";
    }
    void trimQuotesThePatternInForce()
    {
        QFETCH(bool, rawSide);
        QFETCH(QString, ending);
        touchFiles(photos, {"DSC_0007.cr2", "DSC_0001.tif"});
        main_window::frmMain &w = start();
        ui::ComboBox *box = rawSide ? w.ComboRaw : w.ComboPicture;
        const QString inForce = box->Text();
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, rawSide ? "*.cr2" : "*.tif");
        if (ending == "Enter") {
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(box->Text(), inForce);
        }
        messages.answer(platform::IDYES);
        if (ending == "click")
            QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);
        else
            w.cmdQuorvel_Click();

        const FakeMessageBox::Message question = messages.messages().first();
        QVERIFY(question.prompt.startsWith(
            "You are about to trim your RAW-files (pattern: *.nef (Nikon)) so only \n"
            "the files with the same name as your picture files (pattern: *.jpg) remains"));
        QCOMPARE(question.title, QStringLiteral("Delete *.nef (Nikon) files"));
        QCOMPARE(trashedNames(dataHome),
                 (QStringList{"DSC_0004.NEF", "DSC_0005.nef", "DSC_0006.nef"}));
        QCOMPARE(box->Text(), inForce);
    }

    void newFilesShowUpOnRefresh_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Refresh Lists") << "button";
        QTest::newRow("click on the background") << "background";
        QTest::newRow("click on the greyed RAW folder list") << "greyed";
        QTest::newRow("click on the \"N to trim\" label") << "to trim";
    }
    void newFilesShowUpOnRefresh()
    {
        QFETCH(QString, how);
        main_window::frmMain &w = start();
        touchFiles(photos, {"NEW.jpg", "NEW.nef", "NEW2.nef"});
        QFile::remove(photos + "/DSC_0001.jpg");
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("3")); // not before
        if (how == "button") {
            QTest::mouseClick(w.cmdRefresh, Qt::LeftButton);
        } else if (how == "background") {
            QTest::mouseClick(w.centralWidget(), Qt::LeftButton, {}, QPoint(300, 395));
        } else if (how == "to trim") {
            QTest::mouseClick(w.lblToTrim, Qt::LeftButton, {}, QPoint(2, 2));
        } else {
            QTest::mouseClick(w.Dir2->viewport(), Qt::LeftButton);
        }
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("3"));
        QVERIFY(test::listedNames(*w.fb1).contains("NEW.jpg"));
        QVERIFY(!test::listedNames(*w.fb1).contains("DSC_0001.jpg"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("7"));
    }

    // Only the background and disabled controls re-read the lists; a click on
    // a caption is no request to read the card again.
    void clicksOnCaptionsReadNothing_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("PICTURE FILES :") << "Label2";
        QTest::newRow("RAW FILES TO TRIM :") << "Label6";
        QTest::newRow("Number of files:, picture side") << "Label1";
        QTest::newRow("Number of files:, RAW side") << "Label5";
        QTest::newRow("the version") << "Label4";
    }
    void clicksOnCaptionsReadNothing()
    {
        QFETCH(QString, label);
        main_window::frmMain &w = start();
        touchFiles(photos, {"NEW.jpg", "NEW.nef"});
        const QHash<QString, QWidget *> captions = {{"Label1", w.Label1},
                                                    {"Label2", w.Label2},
                                                    {"Label4", w.Label4},
                                                    {"Label5", w.Label5},
                                                    {"Label6", w.Label6}};
        QWidget *caption = captions.value(label);
        QTest::mouseClick(caption, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("3"));
        QCOMPARE(w.fb1->ListCount(), 3);
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("5"));
    }

    // Checking "Synchronise directories" while the RAW side already shows the
    // picture folder re-reads the RAW list; its count must follow.
    void recheckingSyncOnTheSameFolderRewritesTheCount()
    {
        main_window::frmMain &w = start();
        w.checkSync->setValue(ui::CheckBox::vbUnchecked);
        touchFiles(photos, {"NEW.nef"});
        w.checkSync->setValue(ui::CheckBox::vbChecked);
        QCOMPARE(w.fb2->ListCount(), 6);
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("6"));
    }

    // "Show Picture" can be pressed exactly while a picture is selected, and a
    // click on a name enables it even when that name was selected already.
    void showPictureFollowsTheSelection_data()
    {
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("selected");
        QTest::newRow("the viewer closed, the same name clicked") << "viewer"
                                                                  << "DSC_0002.JPG";
        QTest::newRow("a refresh, the name still listed") << "refresh"
                                                          << "DSC_0002.JPG";
        QTest::newRow("a refresh, the name gone") << "removed"
                                                  << "";
        QTest::newRow("a trim") << "trim"
                                << "DSC_0003.jpg";
        QTest::newRow("another folder") << "folder"
                                        << "";
        QTest::newRow("another pattern") << "pattern"
                                         << "";
    }
    void showPictureFollowsTheSelection()
    {
        QFETCH(QString, after);
        QFETCH(QString, selected);
        touchFiles(photos + "/day2", {"X.jpg"});
        main_window::frmMain &w = start();
        const QPoint second = w.fb1->visualRect(w.fb1->model()->index(1, 0)).center();
        QTest::mouseClick(w.fb1->viewport(), Qt::LeftButton, {}, second);
        QVERIFY(w.cmdInfo->isEnabled());

        if (after == "viewer") {
            QTimer::singleShot(0, this, [&] { w.viewer()->hide(); });
            QTest::mouseClick(w.cmdInfo, Qt::LeftButton);
            QVERIFY(!w.cmdInfo->isEnabled());
            QTest::mouseClick(w.fb1->viewport(), Qt::LeftButton, {}, second);
        } else if (after == "refresh" || after == "removed") {
            touchFiles(photos, {"DSC_0000.jpg"});
            if (after == "removed")
                QFile::remove(photos + "/DSC_0002.JPG");
            QTest::mouseClick(w.cmdRefresh, Qt::LeftButton);
        } else if (after == "trim") {
            messages.answer(platform::IDYES);
            w.cmdQuorvel_Click();
        } else if (after == "folder") {
            w.Dir1->setPath(photos + "/day2");
        } else {
            choose(w.ComboPicture, "*.tif");
        }
        QCOMPARE(w.fb1->FileName(), selected);
        QCOMPARE(w.cmdInfo->isEnabled(), !selected.isEmpty());
    }

    // The folder shown is deleted under the lists: the user is told, the lists
    // and counts keep their last reading, and the program goes on.
    void vanishedFolderOnRefresh()
    {
        touchFiles(photos + "/day2", {"A.jpg", "A.nef"});
        main_window::frmMain &w = start();
        w.Dir1->setPath(photos + "/day2");
        QVERIFY(QDir(photos + "/day2").removeRecursively());
        QTest::mouseClick(w.cmdRefresh, Qt::LeftButton);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.last().prompt.contains(photos + "/day2"));
        QCOMPARE(messages.last().flags, platform::MB_ICONERROR);
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("1"));
        // and the user can go on elsewhere
        w.Dir1->setPath(photos);
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("3"));
        QCOMPARE(messages.count(), 1);
    }

    void vanishedFolderOpened()
    {
        touchFiles(photos + "/day2", {"A.jpg"});
        main_window::frmMain &w = start();
        const auto items = w.Dir1->findItems("day2", Qt::MatchEndsWith);
        QCOMPARE(items.size(), 1);
        QVERIFY(QDir(photos + "/day2").removeRecursively());
        w.Dir1->setCurrentItem(items.first());
        QTest::keyClick(w.Dir1, Qt::Key_Return);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(w.Dir1->Path(), photos);
        QCOMPARE(w.fb1->Path(), photos);
    }

    void refreshFileListsRereadsBoth()
    {
        main_window::frmMain &w = start();
        touchFiles(photos, {"Z.jpg", "Z.nef"});
        main_window::modQuorvel::RefreshFileLists(w);
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("4"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("6"));
        QCOMPARE(w.fb1->Path(), photos);
        QCOMPARE(w.fb1->Pattern(), QStringLiteral("*.jpg"));
    }

    // The trim through the window, with the real trash.
    void trimThroughTheWindow()
    {
        main_window::frmMain &w = start();
        messages.answer(platform::IDYES);
        QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);
        // DSC_0002.JPG keeps DSC_0002.nef; DSC_0004.NEF, 5 and 6 have no picture.
        QCOMPARE(trashedNames(dataHome),
                 (QStringList{"DSC_0004.NEF", "DSC_0005.nef", "DSC_0006.nef"}));
        QVERIFY(messages.last().prompt.startsWith("You have deleted 3 file(s)"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("2"));
        QCOMPARE(test::listedNames(*w.fb2), (QStringList{"DSC_0001.nef", "DSC_0002.nef"}));
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("3"));
        QCOMPARE(ui::Screen::MousePointer(), 0);
    }

    // The summary is read with no progress window behind it, nor one about
    // to show itself there.
    void noProgressWindowAtTheSummary()
    {
        main_window::frmMain &w = start();
        messages.answer(platform::IDYES);
        int progressWindows = -1;
        messages.onNextShow([&] {     // the question
            messages.onNextShow([&] { // the summary
                progressWindows = int(w.findChildren<QProgressDialog *>().size());
            });
        });
        w.cmdQuorvel_Click();
        QVERIFY(messages.last().prompt.startsWith("You have deleted 3 file(s)"));
        QCOMPARE(progressWindows, 0);
    }

    void trimLeavesTheSelectionsWhereTheWalkEnds()
    {
        main_window::frmMain &w = start();
        messages.answer(platform::IDYES);
        w.cmdQuorvel_Click();
        // Selections are set before the summary; the refresh then re-reads.
        QVERIFY(w.cmdInfo->isEnabled());
    }

    void trimAnsweredNoTouchesNothing()
    {
        main_window::frmMain &w = start();
        w.cmdQuorvel_Click();
        QCOMPARE(messages.count(), 1);
        QVERIFY(trashedNames(dataHome).isEmpty());
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("5"));
        QCOMPARE(QDir(photos).entryList(QDir::Files).size(), 9);
    }

    // The folder changes after the lists were read, while the question is
    // open: the trim takes nothing it did not list, and from no other folder.
    void changesWhileAsked_data()
    {
        QTest::addColumn<QString>("change");
        // The messages after the question, each up to its first blank line.
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QStringList>("trashed");
        QTest::newRow("a RAW file removed by another program")
            << "removed"
            << QStringList{"For some reason the file DSC_0005.nef can't be deleted. ",
                           "You have deleted 2 file(s)"}
            << QStringList{"DSC_0004.NEF", "DSC_0006.nef"};
        QTest::newRow("a picture back")
            << "back" << QStringList{"You have deleted 2 file(s)\n1 kept: their pictures are back"}
            << QStringList{"DSC_0004.NEF", "DSC_0006.nef"};
        QTest::newRow("the RAW folder swapped for another with its path")
            << "swapped"
            << QStringList{"Nothing was moved from PHOTOS: it is no longer the folder that was "
                           "listed. Refresh the lists and look again before you trim.",
                           "You have deleted 0 file(s)"}
            << QStringList{};
    }
    void changesWhileAsked()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, told);
        QFETCH(QStringList, trashed);
        main_window::frmMain &w = start();
        const QStringList before = QDir(photos).entryList(QDir::Files, QDir::Name);
        messages.answer(platform::IDYES);
        messages.onNextShow([&] {
            if (change == "removed")
                QFile::remove(photos + "/DSC_0005.nef");
            if (change == "back")
                touchFiles(photos, {"DSC_0005.jpg"});
            if (change == "swapped") {
                // Another card of the same label, holding the same names.
                QVERIFY(QDir().rename(photos, photos + " before"));
                touchFiles(photos, before);
            }
        });
        w.cmdQuorvel_Click();
        QStringList actual;
        for (const FakeMessageBox::Message &message : messages.messages().mid(1))
            actual
                << message.prompt.section(QStringLiteral("\n\n"), 0, 0).replace(photos, "PHOTOS");
        QCOMPARE(actual, told);
        if (change == "removed")
            QVERIFY(messages.messages()[1].prompt.endsWith("Reported error no: 2"));
        QCOMPARE(trashedNames(dataHome), trashed);
        if (change == "swapped") {
            QCOMPARE(QDir(photos).entryList(QDir::Files, QDir::Name), before);
            QCOMPARE(QDir(photos + " before").entryList(QDir::Files, QDir::Name), before);
            QVERIFY(!w.mnuUndoTrim->isEnabled());
        }
    }

    void trimWithJpgAsTheRawPattern()
    {
        touchFiles(photos + "/keep", {"DSC_0001.jpg"});
        main_window::frmMain &w = start();
        w.checkSync->setValue(ui::CheckBox::vbUnchecked);
        w.Dir1->setPath(photos + "/keep");
        choose(w.ComboRaw, "*.jpg");
        messages.answer(platform::IDYES);
        w.cmdQuorvel_Click();
        QCOMPARE(trashedNames(dataHome), (QStringList{"DSC_0002.JPG", "DSC_0003.jpg"}));
        QVERIFY(QFile::exists(photos + "/DSC_0001.jpg"));
        QVERIFY(QFile::exists(photos + "/DSC_0001.nef"));
    }

    // What the RAW list marks is what the trim then moves, as the lists
    // follow the user's choices.
    void marksAreWhatTheTrimTakes_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("pictureEntry");
        QTest::addColumn<QString>("rawEntry");
        QTest::addColumn<QStringList>("marked");
        QTest::newRow("as started")
            << QStringList{} << "*.jpg"
            << "*.nef (Nikon)" << QStringList{"DSC_0004.NEF", "DSC_0005.nef", "DSC_0006.nef"};
        QTest::newRow("case differences")
            << QStringList{"IMG_1.CR2", "img_1.jpg", "IMG_2.cr2", "IMG_2.jpg"} << "*.jpg"
            << "*.cr2 (Canon)" << QStringList{"IMG_1.CR2"};
        QTest::newRow(".tiff with *.tif")
            << QStringList{"scan.tiff", "scan.nef", "DSC_0005.tif"} << "*.tiff"
            << "*.nef (Nikon)"
            << QStringList{"DSC_0001.nef", "DSC_0002.nef", "DSC_0004.NEF", "DSC_0006.nef"};
        QTest::newRow("separator on the picture side") << QStringList{} << "-------"
                                                       << "*.nef (Nikon)" << QStringList{};
        QTest::newRow("separator on the RAW side") << QStringList{"-----"} << "*.jpg"
                                                   << "-------" << QStringList{"-----"};
    }
    void marksAreWhatTheTrimTakes()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, pictureEntry);
        QFETCH(QString, rawEntry);
        QFETCH(QStringList, marked);
        touchFiles(photos, files);
        main_window::frmMain &w = start();
        choose(w.ComboPicture, pictureEntry);
        choose(w.ComboRaw, rawEntry);
        QStringList shown;
        for (const int row : w.fb2->markedRows())
            shown << w.fb2->List(row);
        QCOMPARE(shown, marked);
        QCOMPARE(w.lblToTrim->Caption(), QStringLiteral("%1 to trim").arg(marked.size()));
        QCOMPARE(w.txtNoFiles2->Text(), QString::number(w.fb2->ListCount()));

        messages.answer(platform::IDYES);
        QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);
        QCOMPARE(trashedNames(dataHome), marked);
        // and the marks follow the re-read lists: nothing is left to take
        QVERIFY(w.fb2->markedRows().empty());
        QCOMPARE(w.lblToTrim->Caption(), QStringLiteral("0 to trim"));
        QCOMPARE(w.mnuUndoTrim->isEnabled(), !marked.isEmpty());
    }

    void editMenuSitsBetweenFileAndHelp()
    {
        main_window::frmMain &w = start();
        QStringList menus;
        for (QAction *action : w.menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "&Help"}));
        QCOMPARE(w.mnuFile->actions().first(), w.mnuImport);
        QCOMPARE(w.mnuImport->text(), QStringLiteral("&Import from Card\u2026"));
        QCOMPARE(w.mnuFile->actions().last(), w.mnuExit);
        QCOMPARE(w.mnuUndoTrim->text(), QStringLiteral("&Undo Trim"));
        QCOMPARE(w.mnuUndoTrim->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
        QVERIFY(!w.mnuUndoTrim->isEnabled());
        QCOMPARE(w.mnuTrimSidecars->text(), QStringLiteral("Trim &sidecar files too"));
        QVERIFY(w.mnuTrimSidecars->isCheckable());
        QVERIFY(!w.mnuTrimSidecars->isChecked()); // off by default
        QCOMPARE(w.mnuTrimSubfolders->text(), QStringLiteral("Trim Sub&folders Too"));
        QVERIFY(w.mnuTrimSubfolders->isCheckable());
        QVERIFY(!w.mnuTrimSubfolders->isChecked()); // off by default
    }

    // Import from Card brings the card in below the Pictures folder, says so,
    // and both sides then show the copy, in step or not.
    void importOpensTheCopy_data()
    {
        QTest::addColumn<bool>("inStep");
        QTest::newRow("in step") << true;
        QTest::newRow("sides apart") << false;
    }
    void importOpensTheCopy()
    {
        QFETCH(bool, inStep);
        touchFiles(temp->filePath("card/DCIM/100NIKON"), {"DSC_0001.JPG", "DSC_0001.NEF"});
        main_window::frmMain &w = start();
        w.setPicturesFolder(temp->filePath("Pictures"));
        if (!inStep)
            w.checkSync->setValue(ui::CheckBox::vbUnchecked);
        w.mnuImport->trigger();
        import_window::dlgImport *import = w.importWindow();
        QVERIFY(import && import->isVisible());
        // The destination is dated by the card's first file, once the
        // preview's walk of the card has landed.
        QTRY_VERIFY(import->cmdImport->isEnabled());
        const QString copy = import->txtDestination->Text();
        QVERIFY2(copy.startsWith(temp->filePath("Pictures/")), qPrintable(copy));
        QSignalSpy ended(import, &import_window::dlgImport::importEnded);
        QTest::mouseClick(import->cmdImport, Qt::LeftButton);
        QVERIFY(ended.wait(20000));
        QCOMPARE(messages.last().prompt,
                 QStringLiteral("2 files copied and verified (0 skipped, already there). The "
                                "card can be formatted."));
        QVERIFY(QFile::exists(copy + "/DCIM/100NIKON/DSC_0001.NEF"));
        QCOMPARE(w.Dir1->Path(), copy);
        QCOMPARE(w.Dir2->Path(), copy);
        QCOMPARE(w.fb2->Path(), copy);
        // The menu shows the window already open rather than a second one.
        w.mnuImport->trigger();
        QCOMPARE(w.importWindow(), import);
    }

    // A card of a folder and two below it, trimmed in one run: the preview
    // counts the whole tree, the folders are listed beside the question, the
    // question names the total, and Undo puts the whole run back at once.
    // Off, nothing below the folder shown is touched.
    void subfoldersTrimTheWholeTree_data()
    {
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<QStringList>("trashed");
        QTest::newRow("on") << true
                            << QStringList{"DSC_0004.NEF", "DSC_0005.nef", "DSC_0006.nef",
                                           "DSC_0007.nef", "DSC_0009.nef"};
        QTest::newRow("off") << false
                             << QStringList{"DSC_0004.NEF", "DSC_0005.nef", "DSC_0006.nef"};
    }
    void subfoldersTrimTheWholeTree()
    {
        QFETCH(bool, subfolders);
        QFETCH(QStringList, trashed);
        touchFiles(photos + "/100NIKON", {"DSC_0001.jpg", "DSC_0001.nef", "DSC_0007.nef"});
        touchFiles(photos + "/101NIKON", {"DSC_0008.jpg", "DSC_0008.nef", "DSC_0009.nef"});
        touchFiles(photos + "/.Trash-1000", {"DSC_0010.nef"});
        // Every file's own bytes, to tell after Undo that each is back as it was.
        QHash<QString, QByteArray> before;
        QDirIterator each(photos, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (each.hasNext()) {
            const QString path = each.next();
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(path.toUtf8());
            before.insert(path, path.toUtf8());
        }

        main_window::frmMain &w = start();
        if (subfolders) {
            w.mnuTrimSubfolders->trigger();
            QVERIFY(fixture.settings().value("trim/subfolders").toBool());
        }
        QTRY_COMPARE(w.lblToTrim->Caption(), QStringLiteral("%1 to trim").arg(trashed.size()));
        QStringList marked;
        for (const int row : w.fb2->markedRows())
            marked << w.fb2->List(row);
        QCOMPARE(marked, (QStringList{"DSC_0004.NEF", "DSC_0005.nef", "DSC_0006.nef"}));

        QStringList rows;
        bool shownWhileAsked = false;
        messages.onNextShow([&] {
            main_window::dlgTrimFolders *folders = w.trimFolders();
            if (!folders)
                return;
            shownWhileAsked = folders->isVisible();
            for (int r = 0; r < folders->grdFolders->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < 5; ++c)
                    cells << folders->grdFolders->item(r, c)->text();
                rows << cells.join(u'|');
            }
        });
        messages.answer(platform::IDYES);
        QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);
        QCOMPARE(trashedNames(dataHome), trashed);
        QVERIFY(QFile::exists(photos + "/.Trash-1000/DSC_0010.nef"));
        const auto &question = messages.messages()[messages.count() - 2];
        QVERIFY(messages.last().prompt.startsWith(
            QStringLiteral("You have deleted %1 file(s)\n").arg(trashed.size())));
        QTRY_COMPARE(w.lblToTrim->Caption(), QStringLiteral("0 to trim"));
        if (subfolders) {
            QVERIFY(shownWhileAsked);
            QCOMPARE(rows, (QStringList{".|3|5|3|0", "100NIKON|1|2|1|0", "101NIKON|1|2|1|0",
                                        "Total|5|9|5|0"}));
            QVERIFY(question.prompt.contains(
                "remains\n5 RAW file(s) in 3 folder(s) go to the trash\n\nAre"));
            QVERIFY(!w.trimFolders()->isVisible());
        } else {
            QVERIFY(!w.trimFolders());
            QCOMPARE(question.prompt,
                     trimming::TrimOperation::confirmationPrompt("*.nef (Nikon)", "*.jpg"));
            QCOMPARE(QDir(photos + "/100NIKON").entryList(QDir::Files).size(), 3);
            QCOMPARE(QDir(photos + "/101NIKON").entryList(QDir::Files).size(), 3);
        }

        messages.clear();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(messages.last().prompt,
                 QStringLiteral("%1 file(s) put back where they were.").arg(trashed.size()));
        QVERIFY(trashedNames(dataHome).isEmpty());
        QHash<QString, QByteArray> after;
        QDirIterator again(photos, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (again.hasNext()) {
            const QString path = again.next();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            after.insert(path, file.readAll());
        }
        QCOMPARE(after, before);
        QTRY_COMPARE(w.lblToTrim->Caption(), QStringLiteral("%1 to trim").arg(trashed.size()));
    }

    // Two trims, undone one after the other, the latest first.
    void undoTrimsOneAfterAnother()
    {
        main_window::frmMain &w = start();
        messages.answer(platform::IDYES);
        w.cmdQuorvel->click();
        QFile::remove(photos + "/DSC_0001.jpg");
        w.cmdRefresh->click();
        QCOMPARE(w.lblToTrim->Caption(), QStringLiteral("1 to trim"));
        messages.answer(platform::IDYES);
        w.cmdQuorvel->click();
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("1"));

        messages.clear();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().prompt, QStringLiteral("1 file(s) put back where they were."));
        QCOMPARE(test::listedNames(*w.fb2), (QStringList{"DSC_0001.nef", "DSC_0002.nef"}));
        QCOMPARE(w.lblToTrim->Caption(), QStringLiteral("1 to trim"));
        QVERIFY(w.mnuUndoTrim->isEnabled());

        w.mnuUndoTrim->trigger();
        QCOMPARE(messages.last().prompt, QStringLiteral("3 file(s) put back where they were."));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("5"));
        QVERIFY(trashedNames(dataHome).isEmpty());
        QVERIFY(QDir(dataHome + "/Trash/info").isEmpty());
        QVERIFY(!w.mnuUndoTrim->isEnabled());
        QCOMPARE(ui::Screen::MousePointer(), 0);
    }

    // Sidecars go along when asked, are shown beside their RAW file, come
    // back with Undo, and the choice outlives the window.
    void sidecarsGoAlongWhenAsked()
    {
        touchFiles(photos, {"DSC_0005.nef.xmp", "DSC_0005.xmp", "DSC_0006.nef.pp3", "DSC_0001.xmp",
                            "DSC_0002.nef.dop"});
        {
            main_window::frmMain &w = start();
            QVERIFY(!w.mnuTrimSidecars->isChecked());
            w.mnuTrimSidecars->trigger();
            QVERIFY(fixture.settings().value("trim/sidecars").toBool());
        }
        main_window::frmMain &w = start(); // a new window reads the choice back
        QVERIFY(w.mnuTrimSidecars->isChecked());
        const int row = int(test::listedNames(*w.fb2).indexOf("DSC_0005.nef"));
        QCOMPARE(w.fb2->markNote(row), QStringLiteral("+ DSC_0005.nef.xmp, DSC_0005.xmp"));
        QCOMPARE(w.lblToTrim->Caption(), QStringLiteral("3 to trim"));

        messages.answer(platform::IDYES);
        w.cmdQuorvel->click();
        QCOMPARE(trashedNames(dataHome),
                 (QStringList{"DSC_0004.NEF", "DSC_0005.nef", "DSC_0005.nef.xmp", "DSC_0005.xmp",
                              "DSC_0006.nef", "DSC_0006.nef.pp3"}));
        // The question and the summary each say how many sidecars go.
        const auto &question = messages.messages()[messages.count() - 2];
        QVERIFY(question.prompt.contains(
            "remains\n3 sidecar file(s) go to the trash with their RAW files\n\nAre"));
        QVERIFY(messages.last().prompt.startsWith(
            "You have deleted 3 file(s)\nand 3 sidecar file(s) with them\n\nIf"));
        QVERIFY(QFile::exists(photos + "/DSC_0001.xmp"));
        QVERIFY(QFile::exists(photos + "/DSC_0002.nef.dop"));

        w.mnuUndoTrim->trigger();
        QCOMPARE(messages.last().prompt, QStringLiteral("6 file(s) put back where they were."));
        QCOMPARE(QDir(photos).entryList(QDir::Files).size(), 14);
    }

    // Opening the viewer on a picture, by double-click or "Show Picture".
    void viewerOpensOnTheSelectedPicture_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("double-click") << false;
        QTest::newRow("Show Picture") << true;
    }
    void viewerOpensOnTheSelectedPicture()
    {
        QFETCH(bool, byButton);
        touchFiles(photos + "/day2", {"IMG_7.jpg", "IMG_8.jpg"});
        main_window::frmMain &w = start();
        w.Dir1->setPath(photos + "/day2");
        QVERIFY(!w.cmdInfo->isEnabled());
        const QRect second = w.fb1->visualRect(w.fb1->model()->index(1, 0));
        QTest::mouseClick(w.fb1->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(w.fb1->FileName(), QStringLiteral("IMG_8.jpg"));
        QVERIFY(w.cmdInfo->isEnabled());

        QString tagShown;
        bool shown = false;
        QTimer::singleShot(0, this, [&] {
            shown = w.viewer() && w.viewer()->isVisible();
            if (w.viewer()) {
                tagShown = w.viewer()->Tag();
                QTest::mouseClick(w.viewer()->OKButton, Qt::LeftButton);
            }
        });
        if (byButton)
            QTest::mouseClick(w.cmdInfo, Qt::LeftButton);
        else
            QTest::mouseDClick(w.fb1->viewport(), Qt::LeftButton, {}, second.center());
        QVERIFY(shown);
        QCOMPARE(tagShown, photos + "/day2/IMG_8.jpg");
        QVERIFY(!w.viewer()->isVisible());
        QVERIFY(!w.cmdInfo->isEnabled()); // disabled again after every use
        QCOMPARE(ui::Screen::MousePointer(), 0);
    }

    // The RAW list opens the viewer on itself, and the viewer's keys move
    // its selection: closing leaves the user on the last file seen.
    void rawListOpensTheViewerOnItself()
    {
        touchFiles(photos + "/day3", {"IMG_7.jpg", "IMG_7.nef", "IMG_8.nef"});
        main_window::frmMain &w = start();
        w.Dir1->setPath(photos + "/day3");
        QCOMPARE(w.fb2->ListCount(), 2);
        const QRect first = w.fb2->visualRect(w.fb2->model()->index(0, 0));
        QTest::mouseClick(w.fb2->viewport(), Qt::LeftButton, {}, first.center());

        QString tagShown;
        QTimer::singleShot(0, this, [&] {
            tagShown = w.viewer()->Tag();
            QTest::keyClick(w.viewer()->OKButton, Qt::Key_Right);
            QTest::mouseClick(w.viewer()->OKButton, Qt::LeftButton);
        });
        QTest::mouseDClick(w.fb2->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(tagShown, photos + "/day3/IMG_7.nef");
        QCOMPARE(w.viewer()->Tag(), photos + "/day3/IMG_8.nef");
        QCOMPARE(w.fb2->FileName(), QStringLiteral("IMG_8.nef"));
        QCOMPARE(w.fb1->ListIndex(), -1);
        QCOMPARE(ui::Screen::MousePointer(), 0);
    }

    // Names of five characters or fewer open nothing.
    void shortNamesOpenNothing()
    {
        touchFiles(photos + "/short", {"a.jpg", "ab.jpg"});
        main_window::frmMain &w = start();
        w.Dir1->setPath(photos + "/short");
        w.fb1->setListIndex(0);
        QCOMPARE(w.fb1->FileName(), QStringLiteral("a.jpg"));
        w.fb1_DblClick();
        QVERIFY(!w.viewer());
        QVERIFY(!w.cmdInfo->isEnabled());
        QCOMPARE(ui::Screen::MousePointer(), 0);

        w.fb1->setListIndex(1);
        QString tagShown;
        QTimer::singleShot(0, this, [&] {
            tagShown = w.viewer()->Tag();
            w.viewer()->hide();
        });
        w.fb1_DblClick();
        QCOMPARE(tagShown, photos + "/short/ab.jpg");
    }

    // Deleting in the viewer refreshes the main window's list.
    void deletingInTheViewerRefreshesTheLists()
    {
        main_window::frmMain &w = start();
        w.fb1->setListIndex(0);
        messages.answer(platform::IDYES);
        QTimer::singleShot(0, this,
                           [&] { QTest::mouseClick(w.viewer()->cmdDelete, Qt::LeftButton); });
        w.fb1_DblClick();
        QCOMPARE(trashedNames(dataHome), QStringList{"DSC_0001.jpg"});
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("2"));
        QVERIFY(!test::listedNames(*w.fb1).contains("DSC_0001.jpg"));
    }

    void oneAboutBox()
    {
        main_window::frmMain &w = start();
        w.mnuAbout->trigger();
        QPointer<about::frmAbout> first = w.aboutBox();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        w.mnuAbout->trigger();
        QCOMPARE(w.aboutBox(), first.data());
        int boxes = 0;
        for (QWidget *top : QApplication::topLevelWidgets())
            boxes += qobject_cast<about::frmAbout *>(top) && top->isVisible();
        QCOMPARE(boxes, 1);

        // Closed, the next opening makes a new one.
        QTest::mouseClick(first->cmdOK, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        w.mnuAbout->trigger();
        QVERIFY(w.aboutBox());
        QVERIFY(w.aboutBox()->isVisible());
    }

    void farewellText()
    {
        QCOMPARE(main_window::frmMain::farewellPrompt(),
                 QStringLiteral("Thanks for using Quorvel :-) \n\n"
                                "Don't forget to support the development by comments, suggestions "
                                "and donations(paypal) to \n\n"
                                "quorvel@example.org  \n\n"
                                "I will immediately send you a link, where you can find the latest "
                                "updated version for your future use."));
    }

    void leavingSaysFarewellOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Exit Quorvel") << "button";
        QTest::newRow("File, Exit") << "menu";
        QTest::newRow("close box") << "close";
    }
    void leavingSaysFarewellOnce()
    {
        QFETCH(QString, how);
        main_window::frmMain &w = start();
        w.mnuAbout->trigger();
        QPointer<about::frmAbout> about = w.aboutBox();
        if (how == "button")
            QTest::mouseClick(w.cmdExit, Qt::LeftButton);
        else if (how == "menu")
            w.mnuExit->trigger();
        else
            w.close();
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().prompt, main_window::frmMain::farewellPrompt());
        QCOMPARE(messages.last().title, QStringLiteral("Thanks for using Quorvel "));
        QCOMPARE(messages.last().flags, 0x40);
        QVERIFY(w.isEnding());
        QVERIFY(!w.isVisible());
        QVERIFY(!about || !about->isVisible());
        w.close(); // a second close on the way out says nothing more
        QCOMPARE(messages.count(), 1);
    }

    void fortyThousandFilesCountInFull()
    {
        const QString big = temp->filePath("big");
        QDir().mkpath(big);
        QStringList names;
        for (int i = 0; i < 40000; ++i)
            names << QStringLiteral("IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        touchFiles(big, names);
        photos = big;
        main_window::frmMain &w = start();
        QCOMPARE(w.fb1->ListCount(), 40000);
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("40000"));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"
