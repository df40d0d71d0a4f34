#include "about/Maker.h"
#include "QuorvelVersion.h"

#include <optional>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
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
Run run(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
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

// The package names of a Depends field: "a (>= 1), b | c" gives a, b and c.
QStringList packageNames(const QString &relations)
{
    QStringList names;
    for (const QString &relation :
         relations.split(QRegularExpression(QStringLiteral("[,|]")), Qt::SkipEmptyParts)) {
        names.append(relation.trimmed().section(QRegularExpression(QStringLiteral("[ (:]")), 0, 0));
    }
    return names;
}

QString builtVersion()
{
    return QStringLiteral("%1.%2.%3")
        .arg(quorvel::version::major)
        .arg(quorvel::version::minor)
        .arg(quorvel::version::revision);
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

// Installs the build twice, into a fresh prefix as a packager would and as the
// Debian package unpacked, and checks in both what a desktop needs to list,
// launch and show the program, and in the package what apt relies on.
class tst_Install : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data();
    void initTestCase();
    void binaryInstalled();
    void windowsModuleFound_data();
    void windowsModuleFound();
    void desktopEntryValidates();
    void desktopEntryLaunchesTheProgram();
    void metainfoValidates();
    void metainfoDescribesThisBuild();
    void icons_data();
    void icons();
    void scalableIcon();
    void manualPage();
    void packageFields_data();
    void packageFields();
    void packageDependsOnWhatIsLoadedAtRunTime_data();
    void packageDependsOnWhatIsLoadedAtRunTime();
    void packageDependsOnNothingFromTheBuild();
    void lintianFindsNoErrorsOrWarnings();

private:
    static bool isPackage()
    {
        QFETCH_GLOBAL(bool, package);
        return package;
    }
    QString prefix() const
    {
        return isPackage() ? m_packageDir.filePath(QStringLiteral("root/usr")) : m_prefix.path();
    }
    QString installed(const QString &relative) const { return QDir(prefix()).filePath(relative); }
    // One field of the package's control record, as apt reads it.
    QString control(const QString &field) const
    {
        return run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_package, field})
            .output.trimmed();
    }
    QString desktopFile() const
    {
        return installed(QStringLiteral("share/applications/%1.desktop").arg(appId));
    }
    QString metainfoFile() const
    {
        return installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(appId));
    }

    QTemporaryDir m_prefix;
    QTemporaryDir m_packageDir;
    QString m_package;
};

void tst_Install::initTestCase_data()
{
    QTest::addColumn<bool>("package");
    QTest::newRow("cmake --install") << false;
    QTest::newRow("Debian package") << true;
}

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

    // The package, made as `cmake --build build --target package` makes it,
    // but into a folder of its own, and unpacked the way dpkg unpacks it.
    QVERIFY2(m_packageDir.isValid(), qPrintable(m_packageDir.errorString()));
    const QString cpack = QStandardPaths::findExecutable(QStringLiteral("cpack"));
    QVERIFY2(!cpack.isEmpty(), "cpack (which comes with cmake) is needed to build the package");
    const Run build = run(cpack, {QStringLiteral("--config"),
                                  QStringLiteral(QUORVEL_BINARY_DIR "/CPackConfig.cmake"),
                                  QStringLiteral("-B"), m_packageDir.path()});
    QVERIFY2(build.exitCode == 0, qPrintable(build.output));

    const Run architecture = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
    QCOMPARE(architecture.exitCode, 0);
    const QString name =
        QStringLiteral("quorvel_%1_%2.deb").arg(builtVersion(), architecture.output.trimmed());
    QCOMPARE(QDir(m_packageDir.path()).entryList({QStringLiteral("*.deb")}), QStringList{name});
    m_package = m_packageDir.filePath(name);

    const Run unpack = run(QStringLiteral("dpkg-deb"),
                           {QStringLiteral("-x"), m_package, m_packageDir.filePath("root")});
    QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.output));
}

void tst_Install::binaryInstalled()
{
    const QFileInfo binary(installed(QStringLiteral("bin/quorvel")));
    QVERIFY2(binary.isFile(), qPrintable(binary.filePath()));
    QVERIFY(binary.isExecutable());
    QVERIFY(binary.size() > 0);
}

void tst_Install::windowsModuleFound_data()
{
    QTest::addColumn<bool>("programAlone");
    QTest::addColumn<QString>("expected");
    // The installed program opens its windows' module and gets as far as Qt
    // choosing its platform, which the module alone links: a platform that
    // doesn't exist ends it there, with Qt's message naming it.
    QTest::newRow("installed") << false << QStringLiteral("\"quorvel-no-such-platform\"");
    // Copied away from it, the program says what is missing.
    QTest::newRow("program alone")
        << true << QStringLiteral("the windows can't be opened: quorvel-windows.so is in neither");
}

void tst_Install::windowsModuleFound()
{
    QFETCH(bool, programAlone);
    QFETCH(QString, expected);
    const QString module = installed(QStringLiteral(QUORVEL_WINDOWS_DIR "/quorvel-windows.so"));
    QVERIFY2(QFileInfo(module).isFile(), qPrintable(module));

    QString program = installed(QStringLiteral("bin/quorvel"));
    QTemporaryDir alone;
    if (programAlone) {
        QVERIFY(alone.isValid());
        const QString copy = alone.filePath(QStringLiteral("quorvel"));
        QVERIFY(QFile::copy(program, copy));
        program = copy;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       QStringLiteral("quorvel-no-such-platform"));
    const Run started = run(program, {}, environment);
    QVERIFY2(started.output.contains(expected), qPrintable(started.output));
    if (programAlone)
        QCOMPARE(started.exitCode, 1);
    else
        QVERIFY2(!started.output.contains(QLatin1String("quorvel: ")), qPrintable(started.output));
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
                                     QStringLiteral("--explain"), prefix()});
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
    QVERIFY(!info->releases.isEmpty());
    QCOMPARE(info->releases.constFirst(), builtVersion());
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

void tst_Install::manualPage()
{
    const QString page = installed(QStringLiteral("share/man/man1/quorvel.1.gz"));
    QVERIFY2(QFileInfo(page).isFile(), qPrintable(page));
    const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
    if (man.isEmpty())
        QSKIP("man is not installed (Debian package man-db)");

    // man reads the compressed page as `man quorvel` would; --warnings makes
    // groff report what it could not typeset.
    QProcess render;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    render.setProcessEnvironment(environment);
    render.start(man, {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
                       QStringLiteral("-l"), page});
    QVERIFY(render.waitForFinished(60'000));
    const QString warnings = QString::fromLocal8Bit(render.readAllStandardError());
    const QString text = QString::fromUtf8(render.readAllStandardOutput());
    QCOMPARE(render.exitCode(), 0);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings));

    QVERIFY2(text.contains(QStringLiteral("Quorvel ") + builtVersion()), qPrintable(text));
    for (const char *heading :
         {"NAME", "SYNOPSIS", "DESCRIPTION", "WHERE TRASHED FILES GO", "RESTORING FILES", "KEYS"}) {
        QVERIFY2(text.contains(QLatin1Char('\n') + QLatin1String(heading) + QLatin1Char('\n')),
                 heading);
    }
}

void tst_Install::packageFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::newRow("Package") << QStringLiteral("Package") << QStringLiteral("quorvel");
    QTest::newRow("Version") << QStringLiteral("Version") << builtVersion();
    QTest::newRow("Section") << QStringLiteral("Section") << QStringLiteral("graphics");
    QTest::newRow("Homepage") << QStringLiteral("Homepage")
                              << QString::fromLatin1(quorvel::about::makerPage);
    QTest::newRow("Maintainer")
        << QStringLiteral("Maintainer")
        << QStringLiteral("The Quorvel developers <%1>").arg(quorvel::about::makerAddress);
}

void tst_Install::packageFields()
{
    if (!isPackage())
        QSKIP("only the package has a control record");
    QFETCH(QString, field);
    QFETCH(QString, value);
    QCOMPARE(control(field), value);
}

void tst_Install::packageDependsOnWhatIsLoadedAtRunTime_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("dependency");
    // The first is read off the windows' module by dpkg-shlibdeps; the others are
    // loaded as plugins or started as programs, so no linker names them.
    const QString depends = QStringLiteral("Depends");
    QTest::newRow("linked Qt Widgets") << depends << QStringLiteral("libqt6widgets6");
    QTest::newRow("X11 windows") << depends << QStringLiteral("qt6-qpa-plugins");
    QTest::newRow("TIFF and WebP pictures")
        << depends << QStringLiteral("qt6-image-formats-plugins");
    QTest::newRow("web browser") << depends << QStringLiteral("xdg-utils");
    QTest::newRow("Wayland windows")
        << QStringLiteral("Recommends") << QStringLiteral("qt6-wayland");
}

void tst_Install::packageDependsOnWhatIsLoadedAtRunTime()
{
    if (!isPackage())
        QSKIP("only the package has dependencies");
    QFETCH(QString, field);
    QFETCH(QString, dependency);
    const QString relations = control(field);
    QVERIFY2(packageNames(relations).contains(dependency), qPrintable(relations));
}

void tst_Install::packageDependsOnNothingFromTheBuild()
{
    if (!isPackage())
        QSKIP("only the package has dependencies");
    const QStringList buildOnly = {QStringLiteral("build-essential"), QStringLiteral("cmake"),
                                   QStringLiteral("g++"), QStringLiteral("pkg-config")};
    for (const char *field : {"Depends", "Recommends", "Suggests"}) {
        const QString relations = control(QLatin1String(field));
        for (const QString &name : packageNames(relations)) {
            QVERIFY2(!name.endsWith(QLatin1String("-dev")) && !buildOnly.contains(name),
                     qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(field), relations)));
        }
    }
}

void tst_Install::lintianFindsNoErrorsOrWarnings()
{
    if (!isPackage())
        QSKIP("lintian checks packages");
    const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
    if (lintian.isEmpty())
        QSKIP("lintian is not installed (Debian package lintian)");
    // Besides Debian's rules for the fields, lintian checks what the functions
    // above leave out: the copyright file and changelog, owners and modes,
    // nothing under /usr/local, a stripped binary.
    const Run check =
        run(lintian, {QStringLiteral("--fail-on"), QStringLiteral("error,warning"),
                      QStringLiteral("--tag-display-limit"), QStringLiteral("0"), m_package});
    QVERIFY2(check.exitCode == 0, qPrintable(check.output));
    QVERIFY2(!QRegularExpression(QStringLiteral("(^|\n)[EW]: ")).match(check.output).hasMatch(),
             qPrintable(check.output));
}

QTEST_GUILESS_MAIN(tst_Install)
#include "tst_Install.moc"
