#include "about/Maker.h"
#include "QuorvelVersion.h"

#include <optional>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QString appId = QStringLiteral("org.example.Quorvel");

struct Run
{
    int exitCode = -1;
    QString output;
};

// Runs program to its end and returns its exit code with stdout and stderr
// together; exitCode stays -1 when it could not be started or crashed.
Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (!process.waitForStarted() || !process.waitForFinished(300'000))
        return result;
    result.output = QString::fromLocal8Bit(process.readAll());
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

// What the AppStream file says about the program, read from the installed file.
struct Metainfo
{
    QString id;
    QString launchable;
    QString homepage;
    QStringList releases;
};

std::optional<Metainfo> readMetainfo(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Metainfo info;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("id")) {
            info.id = xml.readElementText();
        } else if (name == QLatin1String("launchable")) {
            info.launchable = xml.readElementText();
        } else if (name == QLatin1String("url") &&
                   xml.attributes().value(QLatin1String("type")) == QLatin1String("homepage")) {
            info.homepage = xml.readElementText();
        } else if (name == QLatin1String("release")) {
            info.releases.append(xml.attributes().value(QLatin1String("version")).toString());
        }
    }
    if (xml.hasError())
        return std::nullopt;
    return info;
}

} // namespace

// Installs the build into a fresh prefix, as a packager would, and checks what
// a desktop needs to list, launch and show the program.
class tst_Install : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void binaryInstalled();
    void desktopEntryValidates();
    void desktopEntryLaunchesTheProgram();
    void metainfoValidates();
    void metainfoDescribesThisBuild();
    void icons_data();
    void icons();
    void scalableIcon();

private:
    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }
    QString desktopFile() const
    {
        return installed(QStringLiteral("share/applications/%1.desktop").arg(appId));
    }
    QString metainfoFile() const
    {
        return installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId));
    }

    QTemporaryDir m_prefix;
};

void tst_Install::initTestCase()
{
    QVERIFY2(m_prefix.isValid(), qPrintable(m_prefix.errorString()));
    QVERIFY2(QFileInfo::exists(QStringLiteral(QUORVEL_BINARY)),
             "build the quorvel program before running this test");
    const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
    QVERIFY2(!cmake.isEmpty(), "cmake is needed to install the build");

    const Run install = run(cmake, {QStringLiteral("--install"), QStringLiteral(QUORVEL_BINARY_DIR),
                                    QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void tst_Install::binaryInstalled()
{
    const QFileInfo binary(installed(QStringLiteral("bin/quorvel")));
    QVERIFY2(binary.isFile(), qPrintable(binary.filePath()));
    QVERIFY(binary.isExecutable());
    QVERIFY(binary.size() > 0);
}

void tst_Install::desktopEntryValidates()
{
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed (Debian package desktop-file-utils)");
    QVERIFY(QFileInfo::exists(desktopFile()));

    const Run check = run(validator, {desktopFile()});
    QVERIFY2(check.exitCode == 0, qPrintable(check.output));
    // It passes files with warnings too; we want none.
    QVERIFY2(!check.output.contains(QLatin1String("warning:")) &&
                 !check.output.contains(QLatin1String("error:")),
             qPrintable(check.output));
}

void tst_Install::desktopEntryLaunchesTheProgram()
{
    QSettings entry(desktopFile(), QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    QCOMPARE(entry.status(), QSettings::NoError);

    // The entry runs the installed program by name and shows the installed icon.
    const QString exec = entry.value(QStringLiteral("Exec")).toString();
    const QString program = exec.section(QLatin1Char(' '), 0, 0);
    QVERIFY2(QFileInfo(installed(QStringLiteral("bin/") + program)).isExecutable(),
             qPrintable(exec));
    QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), appId);
    QCOMPARE(entry.value(QStringLiteral("Name")).toString(), QStringLiteral("Quorvel"));
    QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
}

void tst_Install::metainfoValidates()
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (validator.isEmpty())
        QSKIP("appstreamcli is not installed (Debian package appstream)");
    QVERIFY(QFileInfo::exists(metainfoFile()));

    const Run file = run(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                     QStringLiteral("--explain"), metainfoFile()});
    QVERIFY2(file.exitCode == 0, qPrintable(file.output));

    // The tree check also finds the desktop entry the metadata launches.
    const Run tree = run(validator, {QStringLiteral("validate-tree"), QStringLiteral("--no-net"),
                                     QStringLiteral("--explain"), m_prefix.path()});
    QVERIFY2(tree.exitCode == 0, qPrintable(tree.output));
}

void tst_Install::metainfoDescribesThisBuild()
{
    const std::optional<Metainfo> info = readMetainfo(metainfoFile());
    QVERIFY2(info, qPrintable(metainfoFile()));
    QCOMPARE(info->id, appId);
    QCOMPARE(info->launchable, QFileInfo(desktopFile()).fileName());
    QCOMPARE(info->homepage, QString::fromLatin1(quorvel::about::makerPage));

    // Releases are listed newest first; the newest must be the version built.
    const QString built = QStringLiteral("%1.%2.%3")
                              .arg(quorvel::version::major)
                              .arg(quorvel::version::minor)
                              .arg(quorvel::version::revision);
    QVERIFY(!info->releases.isEmpty());
    QCOMPARE(info->releases.constFirst(), built);
}

void tst_Install::icons_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

void tst_Install::icons()
{
    QFETCH(int, size);
    const QString path =
        installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(appId));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    QCOMPARE(reader.size(), QSize(size, size));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QVERIFY(image.hasAlphaChannel());
}

void tst_Install::scalableIcon()
{
    const QString path =
        installed(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(appId));
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    QXmlStreamReader xml(&file);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QLatin1String("svg"));
    QCOMPARE(xml.attributes().value(QLatin1String("viewBox")), QLatin1String("0 0 256 256"));
}

QTEST_GUILESS_MAIN(tst_Install)
#include "tst_Install.moc"
