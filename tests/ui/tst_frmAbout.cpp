#include "about/frmAbout.h"
#include "about/ProgramIcon.h"
#include "support/core/FakeLauncher.h"
#include "support/core/FakeMessageBox.h"
#include "ui/App.h"
#include "ui/CommandButton.h"
#include "ui/Label.h"
#include "ui/Layout.h"

#include <memory>
#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QTest>

using namespace quorvel;

namespace {

const QString productPage = QStringLiteral("https://quorvel.example.org/");

// The description as the user must read it, piece by piece.
const QString expectedDescription =
    QStringLiteral("Save time by deleting (Trim) RAW-files you do not use.  ") +
    QStringLiteral("\r\n\r\n") +
    QStringLiteral("When photographing digitally using RAW file format the camera will often "
                   "also process the RAW file and make a picture file thus ") +
    QStringLiteral("you have a RAW file and a picture file (typically a .jpg-file) with the "
                   "same file name but different file extensions. ") +
    QStringLiteral("\r\n\r\n") +
    QStringLiteral("After photographing and transferring of files to your computer you can "
                   "easily and fast browse the picture files and delete the unwanted picture "
                   "files. ") +
    QStringLiteral("\r\n\r\n") +
    QStringLiteral("Quorvel will then save your time, efforts and mistakes by deleting (trim) "
                   "the RAW-files you don") +
    QChar(0x2019) +
    QStringLiteral("t need by checking if the picture-file exists. If the picture file does "
                   "not exist Quorvel will delete the RAW file.");

ui::App versionRecord(int major, int minor, int revision)
{
    ui::App app;
    app.Title = QStringLiteral("Quorvel");
    app.Major = major;
    app.Minor = minor;
    app.Revision = revision;
    return app;
}

// Deletes what deleteLater() queued, as the event loop would.
void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class tst_frmAbout : public QObject
{
    Q_OBJECT

private slots:
    void versionLine_data();
    void versionLine();
    void loadFillsTitleCaptionAndVersion();
    void descriptionIsExact();
    void descriptionShowsFourParagraphs();
    void disclaimerNamesMakerAndEndsWithLink();
    void layout_data();
    void layout();
    void ruleIsGrey();
    void fixedModelessDialog();
    void fontsAreTheLayoutFont();
    void iconIsShown();
    void clickOnNoticeOpensProductPage();
    void twoClicksOpenTwoPages();
    void browserFailureGivesAddress();
    void closing_data();
    void closing();
    void newInstanceLoadsAfresh();
    void formLoadRefillsTexts();

private:
    test::FakeLauncher launcher;
    test::FakeMessageBox messages;
};

void tst_frmAbout::versionLine_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("expected");

    QTest::newRow("this build") << 0 << 8 << 0 << QStringLiteral("Version 0.8.0");
    QTest::newRow("two-digit minor") << 1 << 10 << 3 << QStringLiteral("Version 1.10.3");
    QTest::newRow("no padding") << 2 << 0 << 9 << QStringLiteral("Version 2.0.9");
    QTest::newRow("16-bit maximum")
        << 32767 << 32767 << 32767 << QStringLiteral("Version 32767.32767.32767");
}

void tst_frmAbout::versionLine()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, expected);

    const ui::App app = versionRecord(major, minor, revision);
    QCOMPARE(about::frmAbout::versionLine(app), expected);
    about::frmAbout box(app, launcher, messages);
    QCOMPARE(box.lblVersion->Caption(), expected);
    QCOMPARE(box.lblVersion->text(), expected);
}

void tst_frmAbout::loadFillsTitleCaptionAndVersion()
{
    about::frmAbout box(ui::App::fromBuild(), launcher, messages);
    QCOMPARE(box.windowTitle(), QStringLiteral("About Quorvel"));
    QCOMPARE(box.lblTitle->Caption(), QStringLiteral("Quorvel"));
    QCOMPARE(box.lblVersion->Caption(), QStringLiteral("Version 0.8.0"));
    QCOMPARE(box.cmdOK->text(), QStringLiteral("OK"));
}

void tst_frmAbout::descriptionIsExact()
{
    about::frmAbout box(ui::App::fromBuild(), launcher, messages);
    QCOMPARE(box.lblDescription->Caption(), expectedDescription);
    QVERIFY(box.lblDescription->Caption().contains(QStringLiteral("don\u2019t need")));
}

void tst_frmAbout::descriptionShowsFourParagraphs()
{
    about::frmAbout box(ui::App::fromBuild(), launcher, messages);
    QVERIFY(box.lblDescription->wordWrap());

    // On screen: four paragraphs with one empty line between each, and no
    // other line break; the second paragraph runs on from "thus " to "you".
    const QStringList paragraphs = box.lblDescription->text().split(QStringLiteral("\n\n"));
    QCOMPARE(paragraphs.size(), 4);
    for (const QString &paragraph : paragraphs) {
        QVERIFY2(!paragraph.contains(QLatin1Char('\n')), qPrintable(paragraph));
        QVERIFY2(!paragraph.contains(QLatin1Char('\r')), qPrintable(paragraph));
    }
    QVERIFY(paragraphs.at(1).contains(QStringLiteral("picture file thus you have a RAW file")));
    QVERIFY(paragraphs.at(3).startsWith(QStringLiteral("Quorvel will then save")));
}

void tst_frmAbout::disclaimerNamesMakerAndEndsWithLink()
{
    about::frmAbout box(ui::App::fromBuild(), launcher, messages);
    const QString caption = box.lblDisclaimer->Caption();
    QVERIFY(!caption.endsWith(QStringLiteral("\r\n")));
    const QStringList lines = caption.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("Copyright \u00A9 2007\u20132026 the Quorvel developers"));
    QCOMPARE(lines.at(1), QStringLiteral("All rights reserved."));
    QCOMPARE(lines.at(2), QStringLiteral("Click HERE to open website...."));
}

void tst_frmAbout::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("picIcon") << QStringLiteral("picIcon") << QRect(240, 240, 540, 540);
    QTest::newRow("lblTitle") << QStringLiteral("lblTitle") << QRect(1050, 240, 3885, 360);
    QTest::newRow("lblVersion") << QStringLiteral("lblVersion") << QRect(1050, 600, 3885, 225);
    QTest::newRow("lblDescription")
        << QStringLiteral("lblDescription") << QRect(1080, 960, 5205, 3330);
    QTest::newRow("lblDisclaimer")
        << QStringLiteral("lblDisclaimer") << QRect(960, 4560, 4110, 825);
    QTest::newRow("cmdOK") << QStringLiteral("cmdOK") << QRect(5040, 5040, 1260, 345);
    // The rule from (240, 4440) to (6360, 4440), one pixel thick.
    QTest::newRow("Line1") << QStringLiteral("Line1") << QRect(240, 4440, 6120, 15);
}

void tst_frmAbout::layout()
{
    QFETCH(QString, control);
    QFETCH(QRect, twips);

    about::frmAbout box(ui::App::fromBuild(), launcher, messages);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    auto *widget = box.findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), &box);
    QVERIFY(widget->isVisible());
    const auto px = [](int t) { return qRound(ui::pixelsFromTwips(t)); };
    QCOMPARE(widget->geometry(),
             QRect(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())));
    QCOMPARE(box.size(), QSize(px(6525), px(5580)));
}

void tst_frmAbout::ruleIsGrey()
{
    about::frmAbout box(ui::App::fromBuild(), launcher, messages);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    const QImage shot = box.grab().toImage();
    const QRect rule = box.Line1->geometry();
    QCOMPARE(rule.height(), 1);
    for (int x : {rule.left(), rule.center().x(), rule.right()})
        QCOMPARE(shot.pixelColor(x, rule.top()), QColor(128, 128, 128));
}

void tst_frmAbout::fixedModelessDialog()
{
    about::frmAbout box(ui::App::fromBuild(), launcher, messages);
    QVERIFY(!box.isModal());
    QVERIFY(box.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QVERIFY(!box.isSizeGripEnabled());
    const Qt::WindowFlags flags = box.windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(box.cmdOK->isDefault());
}

void tst_frmAbout::fontsAreTheLayoutFont()
{
    about::frmAbout box(ui::App::fromBuild(), launcher, messages);
    const QFont expected = ui::layoutFont();
    const QList<QWidget *> controls = {box.lblTitle, box.lblVersion, box.lblDescription,
                                       box.lblDisclaimer, box.cmdOK};
    for (QWidget *control : controls) {
        QCOMPARE(control->font().family(), expected.family());
        QCOMPARE(control->font().pointSizeF(), 8.25);
        QVERIFY(!control->font().bold());
    }
}

void tst_frmAbout::iconIsShown()
{
    const QIcon icon = about::programIcon();
    QVERIFY(!icon.isNull());
    for (int size : {16, 32, 48, 256})
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                 qPrintable(QString::number(size)));

    about::frmAbout box(ui::App::fromBuild(), launcher, messages);
    QVERIFY(!box.windowIcon().isNull());
    const QPixmap shown = box.picIcon->pixmap();
    QVERIFY(!shown.isNull());
    QCOMPARE(shown.deviceIndependentSize().toSize(), QSize(32, 32));
    // The picture is the program icon, not some placeholder.
    QCOMPARE(shown.toImage().convertToFormat(QImage::Format_ARGB32),
             icon.pixmap(QSize(32, 32), shown.devicePixelRatio())
                 .toImage()
                 .convertToFormat(QImage::Format_ARGB32));
}

void tst_frmAbout::clickOnNoticeOpensProductPage()
{
    test::FakeLauncher browser;
    test::FakeMessageBox told;
    about::frmAbout box(ui::App::fromBuild(), browser, told);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    QTest::mouseClick(box.lblDisclaimer, Qt::LeftButton);

    QCOMPARE(browser.opened(), QList<QUrl>{QUrl(productPage)});
    QCOMPARE(browser.opened().constFirst().toString(), productPage);
    QVERIFY(box.isVisible());
    QCOMPARE(told.count(), 0);
}

void tst_frmAbout::twoClicksOpenTwoPages()
{
    test::FakeLauncher browser;
    test::FakeMessageBox told;
    about::frmAbout box(ui::App::fromBuild(), browser, told);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    QTest::mouseClick(box.lblDisclaimer, Qt::LeftButton);
    QTest::mouseClick(box.lblDisclaimer, Qt::LeftButton);

    QCOMPARE(browser.opened(), (QList<QUrl>{QUrl(productPage), QUrl(productPage)}));
    QVERIFY(box.isVisible());
}

void tst_frmAbout::browserFailureGivesAddress()
{
    test::FakeLauncher browser;
    browser.failFromNowOn();
    test::FakeMessageBox told;
    about::frmAbout box(ui::App::fromBuild(), browser, told);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    QTest::mouseClick(box.lblDisclaimer, Qt::LeftButton);

    QCOMPARE(browser.count(), 1);
    QCOMPARE(told.count(), 1);
    QVERIFY2(told.last().prompt.contains(productPage), qPrintable(told.last().prompt));
    QCOMPARE(told.last().flags, platform::MB_OK | platform::MB_ICONWARNING);
    QVERIFY(told.last().title.isEmpty() || told.last().title == QStringLiteral("Quorvel"));
    QVERIFY(box.isVisible());
}

void tst_frmAbout::closing_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("OK button") << QStringLiteral("OK");
    QTest::newRow("Enter") << QStringLiteral("Return");
    QTest::newRow("keypad Enter") << QStringLiteral("Enter");
    QTest::newRow("Esc") << QStringLiteral("Escape");
    QTest::newRow("close box") << QStringLiteral("close");
}

void tst_frmAbout::closing()
{
    QFETCH(QString, how);

    test::FakeLauncher browser;
    test::FakeMessageBox told;
    QPointer<about::frmAbout> box = new about::frmAbout(ui::App::fromBuild(), browser, told);
    box->show();
    QVERIFY(QTest::qWaitForWindowActive(box));
    // Keys go where the user's would: to the focused control, which is OK.
    QCOMPARE(QApplication::focusWidget(), box->cmdOK);

    if (how == QLatin1String("OK"))
        QTest::mouseClick(box->cmdOK, Qt::LeftButton);
    else if (how == QLatin1String("Return"))
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    else if (how == QLatin1String("Enter"))
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    else if (how == QLatin1String("Escape"))
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    else
        QVERIFY(box->close());

    if (box)
        QVERIFY(!box->isVisible());
    runDeferredDeletes();
    QVERIFY2(box.isNull(), "a closed About box must be discarded");
    QCOMPARE(browser.count(), 0);
    QCOMPARE(told.count(), 0);
}

void tst_frmAbout::newInstanceLoadsAfresh()
{
    QPointer<about::frmAbout> first = new about::frmAbout(ui::App::fromBuild(), launcher, messages);
    first->show();
    QVERIFY(QTest::qWaitForWindowExposed(first));
    first->lblTitle->setCaption(QStringLiteral("stale"));
    first->lblDescription->setCaption(QStringLiteral("stale"));
    first->cmdOK->click();
    runDeferredDeletes();
    QVERIFY(first.isNull());

    QPointer<about::frmAbout> second =
        new about::frmAbout(ui::App::fromBuild(), launcher, messages);
    second->show();
    QVERIFY(QTest::qWaitForWindowExposed(second));
    QCOMPARE(second->windowTitle(), QStringLiteral("About Quorvel"));
    QCOMPARE(second->lblTitle->Caption(), QStringLiteral("Quorvel"));
    QCOMPARE(second->lblVersion->Caption(), QStringLiteral("Version 0.8.0"));
    QCOMPARE(second->lblDescription->Caption(), expectedDescription);
    QVERIFY(second->lblDisclaimer->Caption().endsWith(
        QStringLiteral("\r\nClick HERE to open website....")));
    second->close();
    runDeferredDeletes();
    QVERIFY(second.isNull());
}

void tst_frmAbout::formLoadRefillsTexts()
{
    about::frmAbout box(versionRecord(1, 10, 3), launcher, messages);
    box.setWindowTitle(QStringLiteral("Application Title"));
    for (ui::Label *label : {box.lblTitle, box.lblVersion, box.lblDescription, box.lblDisclaimer})
        label->setCaption(QStringLiteral("placeholder"));

    box.Form_Load();

    QCOMPARE(box.windowTitle(), QStringLiteral("About Quorvel"));
    QCOMPARE(box.lblTitle->Caption(), QStringLiteral("Quorvel"));
    QCOMPARE(box.lblVersion->Caption(), QStringLiteral("Version 1.10.3"));
    QCOMPARE(box.lblDescription->Caption(), expectedDescription);
    QCOMPARE(box.lblDisclaimer->Caption(), about::frmAbout::disclaimer());
}

QTEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
