#include "files/FolderList.h"
#include "files/FolderReader.h"
#include "main_window/FileLists.h"
#include "main_window/TrimCommands.h"
#include "platform/MessageBox.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/core/TestFiles.h"
#include "ui/ComboBox.h"
#include "ui/HandlerGuard.h"
#include "ui/Label.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace quorvel;
using quorvel::test::FakeMessageBox;

namespace {

// The window's lists as the trims see them: two models and what they ask of
// the window around them.
class ListsOnTheirOwn : public main_window::FileLists
{
public:
    explicit ListsOnTheirOwn(const QString &folder) : pictures(folder), raws(folder)
    {
        pictures.setPattern(QStringLiteral("*.jpg"));
        raws.setPattern(QStringLiteral("*.nef"));
    }
    files::FolderReader &folderReadings() override { return readings; }
    files::FolderList &pictureList() override { return pictures; }
    files::FolderList &rawList() override { return raws; }
    void writeCounts() override { ++countsWritten; }
    void selectEntries(int rawIndex, int pictureIndex) override
    {
        selected = {rawIndex, pictureIndex};
    }

    files::FolderReader readings;
    files::FolderList pictures;
    files::FolderList raws;
    int countsWritten = 0;
    std::pair<int, int> selected = {-2, -2};
};

} // namespace

class tst_TrimCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        dataHome = temp->filePath(QStringLiteral("data"));
        QDir().mkpath(dataHome);
        qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
    }

    void previewTrimAndUndo_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("sidecars");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("marked");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QStringList>("trashed");
        const QStringList card{"A.jpg", "A.nef", "B.nef", "C.jpg", "C.nef", "D.nef"};
        QTest::newRow("orphans go, undo puts them back")
            << card << false << int(platform::IDYES) << QStringList{"B.nef", "D.nef"} << QString()
            << QStringList{"B.nef", "D.nef"};
        QTest::newRow("the question answered No")
            << card << false << int(platform::IDNO) << QStringList{"B.nef", "D.nef"} << QString()
            << QStringList();
        QTest::newRow("sidecars along")
            << card + QStringList{"B.xmp", "A.xmp"} << true << int(platform::IDYES)
            << QStringList{"B.nef", "D.nef"} << QStringLiteral("+ B.xmp")
            << QStringList{"B.nef", "B.xmp", "D.nef"};
        QTest::newRow("sidecars left alone")
            << card + QStringList{"B.xmp"} << false << int(platform::IDYES)
            << QStringList{"B.nef", "D.nef"} << QString() << QStringList{"B.nef", "D.nef"};
        QTest::newRow("nothing to trim")
            << QStringList{"A.jpg", "A.nef"} << false << int(platform::IDYES) << QStringList()
            << QString() << QStringList();
    }

    void previewTrimAndUndo()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, sidecars);
        QFETCH(int, answer);
        QFETCH(QStringList, marked);
        QFETCH(QString, note);
        QFETCH(QStringList, trashed);

        const QString card = temp->filePath(QStringLiteral("card"));
        test::touchFiles(card, files);
        ListsOnTheirOwn lists(card);
        QWidget window;
        ui::ComboBox picturePattern(&window);
        ui::ComboBox rawPattern(&window);
        picturePattern.setText(QStringLiteral("*.jpg"));
        rawPattern.setText(QStringLiteral("*.nef (Nikon)"));
        ui::Label toTrim(QString(), &window);
        QAction undo(&window);
        undo.setEnabled(false);
        QAction withSidecars(&window);
        QAction withSubfolders(&window);
        withSidecars.setCheckable(true);
        withSubfolders.setCheckable(true);
        FakeMessageBox messages;
        test::RecordingRecycler recycler(messages);
        ui::HandlerGuard guard(messages);
        QSettings settings(temp->filePath(QStringLiteral("quorvel.ini")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("trim/sidecars"), sidecars);
        main_window::TrimCommands commands({&window, QStringLiteral("Quorvel"), lists,
                                            &picturePattern, &rawPattern, &toTrim, &undo,
                                            &withSidecars, &withSubfolders},
                                           messages, recycler.function(), guard, settings);
        // The options as last kept.
        QCOMPARE(withSidecars.isChecked(), sidecars);
        QVERIFY(!withSubfolders.isChecked());

        commands.showPreview();
        QStringList markedNames;
        for (int row : lists.raws.markedRows())
            markedNames << lists.raws.name(row);
        QCOMPARE(markedNames, marked);
        QCOMPARE(toTrim.Caption(), QStringLiteral("%1 to trim").arg(marked.size()));
        const int noted = int(lists.raws.names().indexOf("B.nef"));
        QCOMPARE(lists.raws.markNote(noted), note);

        messages.answer(answer);
        commands.trim();
        QCOMPARE(messages.messages().first().title, QStringLiteral("Delete *.nef (Nikon) files"));
        QCOMPARE(test::trashedNames(dataHome), trashed);
        QCOMPARE(undo.isEnabled(), !trashed.isEmpty());
        for (const QString &name : trashed)
            QVERIFY(!QFile::exists(card + u'/' + name));
        if (trashed.isEmpty())
            return;
        // The lists are read again: the names gone are no longer listed.
        QCOMPARE(lists.countsWritten, 1);
        QCOMPARE(lists.raws.count(), 4 - int(marked.size()));

        messages.clear();
        commands.undo();
        QVERIFY(!undo.isEnabled());
        for (const QString &name : trashed)
            QVERIFY(QFile::exists(card + u'/' + name));
        QCOMPARE(test::trashedNames(dataHome), QStringList());
        QCOMPARE(lists.raws.count(), 4);
        // Once is all: nothing is left to put back.
        commands.undo();
        QCOMPARE(lists.raws.count(), 4);
    }

    void optionsKept_data()
    {
        QTest::addColumn<bool>("sidecars");
        QTest::addColumn<bool>("subfolders");
        QTest::newRow("neither") << false << false;
        QTest::newRow("sidecars") << true << false;
        QTest::newRow("sub-folders") << false << true;
        QTest::newRow("both") << true << true;
    }

    void optionsKept()
    {
        QFETCH(bool, sidecars);
        QFETCH(bool, subfolders);
        const QString file = temp->filePath(QStringLiteral("quorvel.ini"));
        ListsOnTheirOwn lists(temp->path());
        QWidget window;
        ui::ComboBox pattern(&window);
        ui::Label toTrim(QString(), &window);
        QAction undo(&window);
        QAction withSidecars(&window);
        QAction withSubfolders(&window);
        withSidecars.setCheckable(true);
        withSubfolders.setCheckable(true);
        FakeMessageBox messages;
        ui::HandlerGuard guard(messages);
        {
            QSettings settings(file, QSettings::IniFormat);
            main_window::TrimCommands commands({&window, QString(), lists, &pattern, &pattern,
                                                &toTrim, &undo, &withSidecars, &withSubfolders},
                                               messages, {}, guard, settings);
            withSidecars.setChecked(sidecars);
            withSubfolders.setChecked(subfolders);
            commands.keepOptions();
        }
        withSidecars.setChecked(!sidecars);
        withSubfolders.setChecked(!subfolders);
        QSettings settings(file, QSettings::IniFormat);
        main_window::TrimCommands next({&window, QString(), lists, &pattern, &pattern, &toTrim,
                                        &undo, &withSidecars, &withSubfolders},
                                       messages, {}, guard, settings);
        QCOMPARE(withSidecars.isChecked(), sidecars);
        QCOMPARE(withSubfolders.isChecked(), subfolders);
    }

    void cleanup() { temp.reset(); }

private:
    std::unique_ptr<QTemporaryDir> temp;
    QString dataHome;
};

QTEST_MAIN(tst_TrimCommands)
#include "tst_TrimCommands.moc"
