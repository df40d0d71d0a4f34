#include "files/NameList.h"
#include "support/core/TestFiles.h"
#include "trimming/TrimPreview.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;

namespace {

std::shared_ptr<const files::NameList> listOf(const QStringList &names)
{
    return std::make_shared<const files::NameList>(files::NameList::encoded(names));
}

} // namespace

// The marks' sidecar notes follow the folder as the lists were last read,
// and a call with the lists unchanged (a key that only moves a selection)
// tells that nothing changed.
class tst_TrimPreview : public QObject
{
    Q_OBJECT

private slots:
    void sidecarNotes_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QStringList>("notes");
        const QStringList first{"1: + B.nef.xmp, B.xmp"};
        QTest::newRow("nothing new") << "same lists" << false << first;
        // Read again only with the list: the names alone can't tell.
        QTest::newRow("a sidecar written, lists as they were")
            << "sidecar written" << false << first;
        QTest::newRow("a sidecar written, RAW list read again")
            << "sidecar written, raws read again" << true
            << QStringList{"1: + B.nef.dop, B.nef.xmp, B.xmp"};
        QTest::newRow("B kept by a picture from now on")
            << "picture added" << true << QStringList{"2: + C.xmp"};
        QTest::newRow("option off") << "sidecars off" << true << QStringList{};
        QTest::newRow("folder unreadable") << "folder gone" << true << QStringList{};
    }
    void sidecarNotes()
    {
        QFETCH(QString, then);
        QFETCH(bool, changed);
        QFETCH(QStringList, notes);
        QTemporaryDir temp;
        const QString folder = temp.path() + "/card";
        test::touchFiles(folder, {"A.nef", "B.nef", "B.nef.xmp", "B.xmp", "A.jpg", "C.xmp"});
        auto raws = listOf({"A.nef", "B.nef"});
        auto pictures = listOf({"A.jpg"});
        trimming::TrimPreview preview;
        QVERIFY(preview.update(raws, pictures, folder, true));
        QCOMPARE(preview.sidecarNotes().value(1), QStringLiteral("+ B.nef.xmp, B.xmp"));

        bool sidecars = true;
        if (then.startsWith("sidecar written"))
            test::touchFiles(folder, {"B.nef.dop"});
        if (then.endsWith("raws read again"))
            raws = listOf({"A.nef", "B.nef"});
        if (then == "picture added") {
            test::touchFiles(folder, {"C.nef"});
            raws = listOf({"A.nef", "B.nef", "C.nef"});
            pictures = listOf({"A.jpg", "B.jpg"});
        }
        if (then == "sidecars off")
            sidecars = false;
        if (then == "folder gone") {
            QVERIFY(QDir(folder).removeRecursively());
            raws = listOf({"A.nef", "B.nef"});
        }
        QCOMPARE(preview.update(raws, pictures, folder, sidecars), changed);
        QStringList found;
        for (auto note = preview.sidecarNotes().cbegin(); note != preview.sidecarNotes().cend();
             ++note)
            found << QStringLiteral("%1: %2").arg(note.key()).arg(note.value());
        QCOMPARE(found, notes);
    }
};

QTEST_APPLESS_MAIN(tst_TrimPreview)
#include "tst_TrimPreview.moc"
