#include "files/Volume.h"
#include "files/VolumeTable.h"

#include <QTest>

using quorvel::files::Volume;
using quorvel::files::VolumeTable;

namespace {

VolumeTable sample()
{
    return VolumeTable({{QStringLiteral("/"), {}},
                        {QStringLiteral("/home"), {}},
                        {QStringLiteral("/media/anna/CARD"), QStringLiteral("CARD")},
                        {QStringLiteral("/media/anna/CARD2"), QStringLiteral("CARD2")}});
}

} // namespace

class tst_VolumeTable : public QObject
{
    Q_OBJECT

private slots:
    void volumeOf_data();
    void volumeOf();
    void noVolumesMeansRoot();
    void eachVolumeRemembersItsFolder();
};

void tst_VolumeTable::volumeOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mountPoint");

    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("on root") << "/usr/share"
                             << "/";
    QTest::newRow("home itself") << "/home"
                                 << "/home";
    QTest::newRow("in home") << "/home/anna/Pictures"
                             << "/home";
    QTest::newRow("not home, same start") << "/homeless/x"
                                          << "/";
    QTest::newRow("card") << "/media/anna/CARD/DCIM"
                          << "/media/anna/CARD";
    QTest::newRow("card, mount point") << "/media/anna/CARD"
                                       << "/media/anna/CARD";
    QTest::newRow("longer card name") << "/media/anna/CARD2/DCIM"
                                      << "/media/anna/CARD2";
    QTest::newRow("folder beside the cards") << "/media/anna"
                                             << "/";
    QTest::newRow("relative path") << "pics"
                                   << "/";
}

void tst_VolumeTable::volumeOf()
{
    QFETCH(QString, path);
    QFETCH(QString, mountPoint);
    QCOMPARE(sample().volumeOf(path).mountPoint, mountPoint);
}

void tst_VolumeTable::noVolumesMeansRoot()
{
    const VolumeTable none({});
    QCOMPARE(none.volumeOf(QStringLiteral("/x")).mountPoint, QStringLiteral("/"));
    QCOMPARE(none.currentFolder(Volume{QStringLiteral("/"), {}}), QStringLiteral("/"));
}

void tst_VolumeTable::eachVolumeRemembersItsFolder()
{
    VolumeTable volumes = sample();
    const Volume root{QStringLiteral("/"), {}};
    const Volume home{QStringLiteral("/home"), {}};
    const Volume card{QStringLiteral("/media/anna/CARD"), QStringLiteral("CARD")};
    const Volume card2{QStringLiteral("/media/anna/CARD2"), QStringLiteral("CARD2")};

    // Each volume starts at its root.
    QCOMPARE(volumes.currentFolder(root), QStringLiteral("/"));
    QCOMPARE(volumes.currentFolder(card), QStringLiteral("/media/anna/CARD"));

    volumes.remember(QStringLiteral("/media/anna/CARD/DCIM/100NIKON"));
    volumes.remember(QStringLiteral("/home/anna"));
    volumes.remember(QStringLiteral("/tmp"));
    QCOMPARE(volumes.currentFolder(card), QStringLiteral("/media/anna/CARD/DCIM/100NIKON"));
    QCOMPARE(volumes.currentFolder(card2), QStringLiteral("/media/anna/CARD2"));
    QCOMPARE(volumes.currentFolder(home), QStringLiteral("/home/anna"));
    QCOMPARE(volumes.currentFolder(root), QStringLiteral("/tmp"));

    // The latest visit wins, and only on its own volume.
    volumes.remember(QStringLiteral("/media/anna/CARD"));
    QCOMPARE(volumes.currentFolder(card), QStringLiteral("/media/anna/CARD"));
    QCOMPARE(volumes.currentFolder(home), QStringLiteral("/home/anna"));

    // A card taken out and put back starts at its root again; the others
    // keep their folders.
    volumes.remember(QStringLiteral("/media/anna/CARD/DCIM"));
    volumes.setVolumes({root, home});
    QCOMPARE(volumes.list(), (QList<Volume>{root, home}));
    QCOMPARE(volumes.volumeOf(QStringLiteral("/media/anna/CARD/DCIM")), root);
    volumes.setVolumes({root, home, card});
    QCOMPARE(volumes.currentFolder(card), QStringLiteral("/media/anna/CARD"));
    QCOMPARE(volumes.currentFolder(home), QStringLiteral("/home/anna"));
}

QTEST_GUILESS_MAIN(tst_VolumeTable)
#include "tst_VolumeTable.moc"
