#include "viewer/ViewerKeys.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

using quorvel::viewer::ViewerKeys;

Q_DECLARE_METATYPE(ViewerKeys::Command)

namespace {

QString readSource(const QString &path)
{
    QFile file(QStringLiteral(QUORVEL_SOURCE_DIR "/") + path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The README's row of the viewer in its key table.
QString readmeRow()
{
    const QStringList lines = readSource(QStringLiteral("README.md")).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("| Viewer |")))
            return line;
    }
    return QString();
}

// The manual page's paragraph on the viewer's keys, up to the next one.
QString manualParagraph()
{
    const QString page = readSource(QStringLiteral("data/quorvel.1.in"));
    const qsizetype start = page.indexOf(QLatin1String(".B Viewer\n"));
    if (start < 0)
        return QString();
    const qsizetype end = page.indexOf(QLatin1String("\n.TP"), start);
    return page.mid(start + 10, end - start - 10);
}

// Every key a text names, its buttons' access keys (Alt+D Delete) aside.
QSet<QString> keysNamed(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("Alt\\+[A-Z] \\**[A-Z][a-z]+\\**")));
    static const QRegularExpression key(QStringLiteral(
        "(?<![\\w+])(Ctrl\\+\\w|Shift\\+\\w+|Alt\\+\\w|F\\d{1,2}|Page Up|Page Down|Backspace|Space|"
        "Home|End|Delete|Insert|Esc|Escape|Enter|Return|Tab|Right|Left|Up|Down|[A-Z])(?![\\w+])"));
    QSet<QString> names;
    for (const QRegularExpressionMatch &match : key.globalMatch(text))
        names << match.captured(1);
    return names;
}

} // namespace

class tst_ViewerKeys : public QObject
{
    Q_OBJECT

private slots:
    void documentedAsListed_data();
    void documentedAsListed();
    void press_data();
    void press();
};

void tst_ViewerKeys::documentedAsListed_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("README's key table") << readmeRow();
    QTest::newRow("manual page") << manualParagraph();
}

// The user reads the keys where the table is not: each key listed is
// documented, and each documented one is listed.
void tst_ViewerKeys::documentedAsListed()
{
    QFETCH(QString, text);
    QVERIFY(!text.isEmpty());
    QSet<QString> listed;
    for (const ViewerKeys::Key &key : ViewerKeys::table())
        listed << key.name;
    QCOMPARE(keysNamed(text), listed);
}

void tst_ViewerKeys::press_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("autoRepeat");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<bool>("used");
    QTest::addColumn<int>("command"); // -1: none triggered

    using K = ViewerKeys;
    const int none = Qt::NoModifier;
    QTest::newRow("Right") << int(Qt::Key_Right) << none << false << false << true << int(K::Next);
    QTest::newRow("Space") << int(Qt::Key_Space) << none << false << false << true << int(K::Next);
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << false << false << true
                               << int(K::Next);
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << false << false << true
                               << int(K::Previous);
    QTest::newRow("Up on the keypad")
        << int(Qt::Key_Up) << int(Qt::KeypadModifier) << false << false << true << int(K::Previous);
    QTest::newRow("End") << int(Qt::Key_End) << none << false << false << true << int(K::Last);
    QTest::newRow("held Right repeats")
        << int(Qt::Key_Right) << none << true << false << true << int(K::Next);
    QTest::newRow("Delete") << int(Qt::Key_Delete) << none << false << false << true
                            << int(K::Reject);
    QTest::newRow("held Delete: one press, one picture")
        << int(Qt::Key_Delete) << none << true << false << true << -1;
    QTest::newRow("held Z") << int(Qt::Key_Z) << none << true << false << true << -1;
    QTest::newRow("Z") << int(Qt::Key_Z) << none << false << false << true << int(K::ActualPixels);
    QTest::newRow("F") << int(Qt::Key_F) << none << false << false << true << int(K::FocusFrame);
    QTest::newRow("held F: one toggle") << int(Qt::Key_F) << none << true << false << true << -1;
    QTest::newRow("P") << int(Qt::Key_P) << none << false << false << true << int(K::Peaking);
    QTest::newRow("held P: one toggle") << int(Qt::Key_P) << none << true << false << true << -1;
    QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << int(Qt::ControlModifier) << false << false << true
                            << int(K::Undo);
    QTest::newRow("Shift+Z is no key of the viewer")
        << int(Qt::Key_Z) << int(Qt::ShiftModifier) << false << false << false << -1;
    QTest::newRow("Shift+Space neither")
        << int(Qt::Key_Space) << int(Qt::ShiftModifier) << false << false << false << -1;
    QTest::newRow("F11") << int(Qt::Key_F11) << none << false << false << true
                         << int(K::FullScreen);
    QTest::newRow("Esc in full screen")
        << int(Qt::Key_Escape) << none << false << true << true << int(K::LeaveFullScreen);
    QTest::newRow("Esc otherwise: not the viewer's")
        << int(Qt::Key_Escape) << none << false << false << false << -1;
    QTest::newRow("Enter presses a button")
        << int(Qt::Key_Return) << none << false << false << false << -1;
}

void tst_ViewerKeys::press()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, autoRepeat);
    QFETCH(bool, fullScreen);
    QFETCH(bool, used);
    QFETCH(int, command);

    ViewerKeys keys;
    keys.action(ViewerKeys::LeaveFullScreen)->setEnabled(fullScreen);
    QList<std::shared_ptr<QSignalSpy>> spies;
    const QMetaEnum commands = QMetaEnum::fromType<ViewerKeys::Command>();
    for (int c = 0; c < commands.keyCount(); ++c)
        spies << std::make_shared<QSignalSpy>(keys.action(ViewerKeys::Command(c)),
                                              &QAction::triggered);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), QString(),
                          autoRepeat);
    QCOMPARE(keys.press(event), used);
    for (int c = 0; c < commands.keyCount(); ++c)
        QCOMPARE(spies.at(c)->count(), c == command ? 1 : 0);
}

QTEST_MAIN(tst_ViewerKeys)
#include "tst_ViewerKeys.moc"
