#include "culling/CullingSession.h"
#include "culling/StatusLine.h"
#include "files/NameList.h"

#include <cerrno>
#include <QTest>

using namespace quorvel;
using culling::CullingSession;
using culling::StatusLine;

class tst_StatusLine : public QObject
{
    Q_OBJECT

private slots:
    void line_data();
    void line();
    void putBack_data();
    void putBack();
};

void tst_StatusLine::line_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("colourSpace");
    QTest::addColumn<QString>("news");
    QTest::addColumn<QString>("colourNotes");
    QTest::addColumn<QString>("line");

    const QStringList abc{"a.jpg", "b.jpg", "c.jpg"};
    QTest::newRow("where the user is") << abc << 1 << ""
                                       << ""
                                       << ""
                                       << "2 / 3  b.jpg";
    QTest::newRow("a colour space close by") << abc << 0 << "Adobe RGB"
                                             << ""
                                             << ""
                                             << "1 / 3  a.jpg  Adobe RGB";
    QTest::newRow("news set apart")
        << abc << 2 << "" << StatusLine::movedToTrash("b.jpg") << ""
        << "3 / 3  c.jpg    b.jpg moved to the trash (Ctrl+Z puts it back)";
    QTest::newRow("everything, in its order")
        << abc << 0 << "Adobe RGB"
        << "Nothing to put back"
        << "Its profile can't be used"
        << "1 / 3  a.jpg  Adobe RGB    Nothing to put back    Its profile can't be used";
    QTest::newRow("on no entry: the news alone")
        << QStringList() << -1 << "" << StatusLine::notShownYet() << ""
        << "Not shown yet: nothing deleted";
    QTest::newRow("no entry, a colour space first") << QStringList() << -1 << "Display P3"
                                                    << ""
                                                    << "A note"
                                                    << "Display P3    A note";
    QTest::newRow("nothing at all") << QStringList() << -1 << ""
                                    << ""
                                    << ""
                                    << "";
    QTest::newRow("a line break in a name: one line") << QStringList{"DSC\n0003.JPG"} << 0 << ""
                                                      << ""
                                                      << ""
                                                      << "1 / 1  DSC\\n0003.JPG";
    QTest::newRow("last gone")
        << QStringList() << -1 << ""
        << StatusLine::movedToTrash("a.jpg") + "    " + StatusLine::noMorePictures() << ""
        << "a.jpg moved to the trash (Ctrl+Z puts it back)    No more pictures";
    QTest::newRow("one to one at the focus point")
        << abc << 0 << "" << StatusLine::oneToOneAtFocusPoint() << ""
        << "1 / 3  a.jpg    one to one at the focus point";
    QTest::newRow("one to one at the centre")
        << abc << 0 << "" << StatusLine::oneToOneAtCentre() << ""
        << "1 / 3  a.jpg    one to one at the centre: no focus point recorded";
    QTest::newRow("one to one at the sharpest area")
        << abc << 1 << "" << StatusLine::oneToOneAtSharpest() << ""
        << "2 / 3  b.jpg    one to one at the sharpest area: no focus point recorded";
    QTest::newRow("a focus point that makes no sense, said with the picture")
        << abc << 2 << ""
        << "" << StatusLine::noFocusFrame("c.jpg", "the AF point lies outside the frame")
        << "3 / 3  c.jpg    no focus frame for c.jpg: the AF point lies outside the frame";
}

void tst_StatusLine::line()
{
    QFETCH(QStringList, names);
    QFETCH(int, index);
    QFETCH(QString, colourSpace);
    QFETCH(QString, news);
    QFETCH(QString, colourNotes);
    QFETCH(QString, line);

    CullingSession session([](auto &&...) { return 0; }, [](auto &&) { return 0; });
    session.start(QStringLiteral("/card"),
                  std::make_shared<const files::NameList>(files::NameList::encoded(names)), index);
    StatusLine status;
    status.setNews(news);
    QCOMPARE(status.text(session, colourSpace, colourNotes), line);
    // The news stays for the line written again when a picture lands.
    QCOMPARE(status.news(), news);
}

void tst_StatusLine::putBack_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("news");

    QTest::newRow("back") << 0 << "a.jpg is back from the trash";
    QTest::newRow("its name taken")
        << EEXIST << "a.jpg stays in the trash: another file has taken its name";
    QTest::newRow("its place in the trash taken")
        << ESTALE << "a.jpg stays in the trash: another file has taken its place in the trash";
    QTest::newRow("any other failure")
        << EACCES << "a.jpg could not be put back: " + qt_error_string(EACCES);
}

void tst_StatusLine::putBack()
{
    QFETCH(int, error);
    QFETCH(QString, news);

    QCOMPARE(StatusLine::putBack({QStringLiteral("a.jpg"), error}), news);
    QCOMPARE(StatusLine::notMovedToTrash(QStringLiteral("a.jpg"), EACCES),
             "a.jpg could not be moved to the trash: " + qt_error_string(EACCES));
    QCOMPARE(StatusLine::notMovedToTrash(QStringLiteral("a.jpg"), ESTALE),
             "a.jpg stays: another file has taken its place since it was shown");
}

QTEST_GUILESS_MAIN(tst_StatusLine)
#include "tst_StatusLine.moc"
