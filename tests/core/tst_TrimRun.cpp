#include "files/FileNames.h"
#include "files/WildcardPattern.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/core/TestFiles.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TrimLists.h"
#include "trimming/TrimRun.h"

#include <cerrno>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace quorvel;
using quorvel::test::touchFiles;
using quorvel::trimming::TreeTrimPlan;
using quorvel::trimming::TrimRun;

namespace {

// Every step the run tells, as text, folders and files below the card.
class RecordingObserver : public TrimRun::Observer
{
public:
    explicit RecordingObserver(QString card) : m_card(std::move(card)) {}

    void moved(const TreeTrimPlan::Pair &pair, const QByteArray &name, bool sidecar) override
    {
        events << QStringLiteral("moved %1%2").arg(below(pair, name), sidecar ? " (sidecar)" : "");
    }
    void failed(const TreeTrimPlan::Pair &pair, const QByteArray &name, bool, int error) override
    {
        events << QStringLiteral("failed %1: %2").arg(below(pair, name)).arg(error);
    }
    void folderFailed(const TreeTrimPlan::Pair &, const QString &folder, int error) override
    {
        events << QStringLiteral("folder %1: %2")
                      .arg(QDir(m_card).relativeFilePath(folder))
                      .arg(error);
    }

    QStringList events;

private:
    QString below(const TreeTrimPlan::Pair &pair, const QByteArray &name) const
    {
        const QString file = files::decodeFileName(name);
        return pair.relativePath.isEmpty() ? file : pair.relativePath + u'/' + file;
    }

    QString m_card;
};

files::FolderIdentity identityOf(const QString &folder)
{
    struct stat st
    {
    };
    if (::stat(files::encodeFileName(folder).constData(), &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// The files under folder, as paths below it, sorted.
QStringList filesUnder(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

class tst_TrimRun : public QObject
{
    Q_OBJECT

private slots:
    // What a run moves, and what it leaves, when the folders change between
    // the plan the user was asked about and the run, or during the run.
    void takesOnlyWhatWasPlanned_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("tree");
        QTest::addColumn<QStringList>("events");
        // What is still on the card afterwards.
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("picturesBack");

        const QStringList card{"A.jpg", "A.nef", "B.nef", "B.xmp", "C.nef"};
        QTest::newRow("as planned: RAW files, sidecars after theirs")
            << "plain" << false
            << QStringList{"moved B.nef", "moved B.xmp (sidecar)", "moved C.nef"}
            << QStringList{"A.jpg", "A.nef"} << 0;
        QTest::newRow("a dry run tells all and moves nothing")
            << "dry" << false << QStringList{"moved B.nef", "moved B.xmp (sidecar)", "moved C.nef"}
            << card << 0;
        QTest::newRow("a picture back before the run keeps its RAW file and sidecar")
            << "back" << false << QStringList{"moved C.nef"}
            << QStringList{"A.jpg", "A.nef", "B.jpg", "B.nef", "B.xmp"} << 1;
        QTest::newRow("the folder replaced between plan and run: nothing of it moves")
            << "replaced" << false << QStringList{"folder .: " + QString::number(ESTALE)} << card
            << 0;
        QTest::newRow("the folder gone: said once")
            << "gone" << false << QStringList{"folder .: " + QString::number(ENOENT)}
            << QStringList{} << 0;
        // Renamed away once the first file went, another folder put under its
        // path: the rest still leave the folder that was checked, and the new
        // one keeps all of its files.
        QTest::newRow("the folder replaced during the run: the rest leave the one held")
            << "during" << false
            << QStringList{"moved B.nef", "moved B.xmp (sidecar)", "moved C.nef"} << card << 0;
        QTest::newRow("a tree reached through a link")
            << "linked" << true << QStringList{"moved B.nef", "moved C.nef", "moved 100/E.nef"}
            << QStringList{"100/D.jpg", "100/D.nef", "A.jpg", "A.nef", "B.xmp"} << 0;
        QTest::newRow("a tree: a file gone meanwhile fails alone")
            << "fileGone" << true
            << QStringList{"moved B.nef", "failed C.nef: " + QString::number(ENOENT),
                           "moved 100/E.nef"}
            << QStringList{"100/D.jpg", "100/D.nef", "A.jpg", "A.nef", "B.xmp"} << 0;
    }
    void takesOnlyWhatWasPlanned()
    {
        QFETCH(QString, situation);
        QFETCH(bool, tree);
        QFETCH(QStringList, events);
        QFETCH(QStringList, left);
        QFETCH(int, picturesBack);

        QTemporaryDir temp;
        qputenv("XDG_DATA_HOME", QFile::encodeName(temp.path() + "/data"));
        const QString card = temp.filePath("card");
        touchFiles(card, {"A.jpg", "A.nef", "B.nef", "B.xmp", "C.nef"});
        if (tree)
            touchFiles(card + "/100", {"D.jpg", "D.nef", "E.nef"});
        QString opened = card;
        if (situation == "linked") {
            opened = temp.filePath("link");
            QVERIFY(QFile::link(card, opened));
        }

        const QString resolved = QFileInfo(opened).canonicalFilePath();
        const auto jpg = files::WildcardPattern(u"*.jpg");
        const auto nef = files::WildcardPattern(u"*.nef");
        std::optional<TreeTrimPlan> plan;
        if (tree) {
            plan.emplace(opened, opened, jpg, nef, true, !tree);
        } else {
            const auto names = [&](const files::WildcardPattern &pattern) {
                QStringList listed;
                for (const QString &name : QDir(card).entryList(QDir::Files, QDir::Name))
                    if (pattern.matches(name))
                        listed << name;
                return std::make_shared<const files::NameList>(files::NameList::encoded(listed));
            };
            plan = TreeTrimPlan::ofLists(
                {names(jpg), names(nef), card, card, "*.jpg", identityOf(card)}, true);
        }

        test::FakeMessageBox messages;
        test::RecordingRecycler recycler(messages);
        if (situation == "back")
            touchFiles(card, {"B.jpg"});
        if (situation == "replaced") {
            QVERIFY(QDir(temp.path()).rename("card", "card before"));
            touchFiles(card, {"A.jpg", "A.nef", "B.nef", "B.xmp", "C.nef"});
        }
        if (situation == "gone")
            QVERIFY(QDir(card).removeRecursively());
        if (situation == "fileGone")
            QVERIFY(QFile::remove(card + "/C.nef"));
        int moves = 0;
        if (situation == "during") {
            recycler.onRecycled([&](int result) {
                if (result == 0 && ++moves == 1) {
                    QVERIFY(QDir(temp.path()).rename("card", "card before"));
                    touchFiles(card, {"A.jpg", "A.nef", "B.nef", "B.xmp", "C.nef"});
                }
            });
        }

        TrimRun run(*plan, recycler.function());
        run.setDryRun(situation == "dry");
        RecordingObserver observer(resolved);
        run.run(observer);

        QCOMPARE(observer.events, events);
        QCOMPARE(filesUnder(card), left);
        QCOMPARE(run.picturesBack(), picturesBack);
        const int wentOut = int(std::count_if(events.cbegin(), events.cend(), [](const QString &e) {
            return e.startsWith("moved");
        }));
        QCOMPARE(int(run.trashed().size()), situation == "dry" ? 0 : wentOut);
        QCOMPARE(test::trashedNames(temp.path() + "/data").size(),
                 situation == "dry" ? 0 : wentOut);
        if (situation == "during" || situation == "replaced") {
            // The folder checked is the one files left; the record says where
            // that was when the run began.
            const QStringList before = situation == "during" ? QStringList{"A.jpg", "A.nef"} : left;
            QCOMPARE(filesUnder(temp.filePath("card before")), before);
        }
        for (const platform::TrashedFile &file : run.trashed())
            QVERIFY(file.originalPath.startsWith(QFile::encodeName(resolved + '/')));
    }
};

QTEST_GUILESS_MAIN(tst_TrimRun)
#include "tst_TrimRun.moc"
