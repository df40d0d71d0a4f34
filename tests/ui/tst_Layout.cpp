// Every text of the three windows fits its control at the layout's font,
// including the fallback face used where Verdana is not installed: nothing is
// cut off, wraps out of sight, or hides under a neighbour.

#include "about/frmAbout.h"
#include "files/VolumeTable.h"
#include "main_window/frmMain.h"
#include "main_window/modQuorvel.h"
#include "support/core/FakeLauncher.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/widgets/MainWindowFixture.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/CommandButton.h"
#include "ui/FileListBox.h"
#include "ui/Label.h"
#include "ui/Layout.h"
#include "ui/TextBox.h"
#include "viewer/dlgShowPicture.h"

#include <memory>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QLineEdit>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using quorvel::test::FakeLauncher;
using quorvel::test::FakeMessageBox;

namespace {

// The text a control shows, without its access key marker.
QString shownText(const QString &caption)
{
    QString text = caption;
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}

// Width available to the text of a one-line text box.
int textBoxRoom(const QLineEdit *box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.rect = box->rect();
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    const QMargins margins = box->textMargins();
    // QLineEdit keeps a further two pixels clear on each side of its text.
    return contents.width() - margins.left() - margins.right() - 2 * 2;
}

} // namespace

class tst_Layout : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> temp;
    test::MainWindowFixture fixture;
    FakeMessageBox &messages = fixture.messages();
    FakeLauncher &launcher = fixture.launcher();

    main_window::frmMain &mainWindow()
    {
        main_window::frmMain &form = fixture.start(temp->path());
        // Shown even when the load failed: the layout is what is measured.
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            qFatal("the main window was not shown");
        return form;
    }

    // A label's text fits when it wraps into no more lines than the label
    // shows, and its longest line is no wider than the label.
    static void verifyLabelFits(const ui::Label *label, int visibleWidth)
    {
        const QFontMetrics metrics(label->font());
        const QString text = label->text();
        QVERIFY2(label->heightForWidth(visibleWidth) <= label->height(),
                 qPrintable(QStringLiteral("\"%1\" needs %2 pixels of height, has %3")
                                .arg(text)
                                .arg(label->heightForWidth(visibleWidth))
                                .arg(label->height())));
        for (const QString &line : text.split(u'\n')) {
            if (label->wordWrap() && line.contains(u' '))
                continue; // wrapped; the height above decides
            QVERIFY2(metrics.horizontalAdvance(line) <= visibleWidth,
                     qPrintable(QStringLiteral("\"%1\" needs %2 pixels, has %3")
                                    .arg(line)
                                    .arg(metrics.horizontalAdvance(line))
                                    .arg(visibleWidth)));
        }
    }

    static void verifyButtonFits(const QAbstractButton *button)
    {
        QVERIFY2(button->sizeHint().width() <= button->width(),
                 qPrintable(QStringLiteral("\"%1\" needs %2 pixels, has %3")
                                .arg(shownText(button->text()))
                                .arg(button->sizeHint().width())
                                .arg(button->width())));
        QVERIFY2(QFontMetrics(button->font()).height() + 4 <= button->height(),
                 qPrintable(shownText(button->text())));
    }

private slots:
    void initTestCase()
    {
        // Which face the texts were measured in, for whoever reads the log.
        qInfo("layout font: %s %.2f pt; window font: %s %.2f pt",
              qPrintable(QFontInfo(ui::layoutFont()).family()), ui::layoutFont().pointSizeF(),
              qPrintable(QFontInfo(QApplication::font()).family()),
              QApplication::font().pointSizeF());
    }

    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        fixture.reset();
    }

    void cleanup()
    {
        fixture.reset();
        temp.reset();
    }

    void mainWindowLabels_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Label2", "Label6", "Label1", "Label5", "Label4"})
            QTest::newRow(name) << name;
    }
    void mainWindowLabels()
    {
        QFETCH(QString, name);
        main_window::frmMain &w = mainWindow();
        const QHash<QString, ui::Label *> labels = {{"Label2", w.Label2},
                                                    {"Label6", w.Label6},
                                                    {"Label1", w.Label1},
                                                    {"Label5", w.Label5},
                                                    {"Label4", w.Label4}};
        ui::Label *label = labels.value(name);
        // The headings run on under their pattern boxes, and the captions
        // under their count boxes: only the part left of the box is seen.
        const QHash<QString, QWidget *> covers = {{"Label2", w.ComboPicture},
                                                  {"Label6", w.ComboRaw},
                                                  {"Label1", w.txtNoFiles1},
                                                  {"Label5", w.txtNoFiles2}};
        int visible = label->width();
        if (QWidget *cover = covers.value(name))
            visible = std::min(visible, cover->x() - label->x());
        verifyLabelFits(label, visible);
    }

    void mainWindowButtons_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"cmdInfo", "cmdRefresh", "cmdQuorvel", "cmdExit", "checkSync"})
            QTest::newRow(name) << name;
    }
    void mainWindowButtons()
    {
        QFETCH(QString, name);
        main_window::frmMain &w = mainWindow();
        const QHash<QString, QAbstractButton *> buttons = {{"cmdInfo", w.cmdInfo},
                                                           {"cmdRefresh", w.cmdRefresh},
                                                           {"cmdQuorvel", w.cmdQuorvel},
                                                           {"cmdExit", w.cmdExit},
                                                           {"checkSync", w.checkSync}};
        verifyButtonFits(buttons.value(name));
    }

    // The largest count a list can report still reads whole in its box.
    void countBoxes()
    {
        main_window::frmMain &w = mainWindow();
        for (ui::TextBox *box : {w.txtNoFiles1, w.txtNoFiles2}) {
            const int needed = box->fontMetrics().horizontalAdvance(QStringLiteral("32767"));
            QVERIFY2(needed <= textBoxRoom(box),
                     qPrintable(QStringLiteral("count needs %1 pixels, has %2")
                                    .arg(needed)
                                    .arg(textBoxRoom(box))));
        }
    }

    // A pattern box shows at least the pattern of every entry, from its
    // start, wider entries than the box included, and its drop-down list
    // shows every entry whole.
    void patternBoxes_data()
    {
        QTest::addColumn<bool>("raw");
        QTest::addColumn<int>("entry");
        for (int i = 0; i < 18; ++i) {
            QTest::addRow("ComboRaw %d", i + 1) << true << i;
            QTest::addRow("ComboPicture %d", i + 1) << false << i;
        }
    }
    void patternBoxes()
    {
        QFETCH(bool, raw);
        QFETCH(int, entry);
        main_window::frmMain &w = mainWindow();
        ui::ComboBox *box = raw ? w.ComboRaw : w.ComboPicture;
        const QString text = box->itemText(entry);

        // Chosen with the keyboard, then left. No entry is current at start.
        box->setFocus();
        QCOMPARE(box->currentIndex(), -1);
        for (int i = 0; i <= entry; ++i)
            QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->Text(), text);
        w.fb1->setFocus();

        QLineEdit *field = box->lineEdit();
        const QFontMetrics metrics(field->font());
        QVERIFY2(metrics.horizontalAdvance(text.left(5)) <= textBoxRoom(field), qPrintable(text));
        // The text is shown from its first character: the cursor, at the
        // start, sits at the field's left edge rather than scrolled out.
        QCOMPARE(field->cursorPosition(), 0);
        QVERIFY2(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x() <
                     field->width() / 4,
                 qPrintable(text));

        box->showPopup();
        QAbstractItemView *list = box->view();
        QVERIFY(QTest::qWaitFor([&] { return list->isVisible(); }));
        const int needed = list->sizeHintForColumn(0);
        const int room = list->viewport()->width();
        box->hidePopup();
        QVERIFY2(
            needed <= room,
            qPrintable(
                QStringLiteral("\"%1\" needs %2 pixels, has %3").arg(text).arg(needed).arg(room)));
    }

    void viewer()
    {
        test::RecordingRecycler recycler;
        viewer::dlgShowPicture viewer(messages, recycler.function(), [] {});
        viewer.setTag(temp->filePath("missing.jpg"));
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QCOMPARE(viewer.Label1->text(), QStringLiteral("CAN'T LOAD PICTURE FORMAT ..."));
        verifyLabelFits(viewer.Label1, viewer.Label1->width());
        verifyButtonFits(viewer.OKButton);
        verifyButtonFits(viewer.cmdDelete);
    }

    void aboutBox_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"lblTitle", "lblVersion", "lblDescription", "lblDisclaimer"})
            QTest::newRow(name) << name;
    }
    void aboutBox()
    {
        QFETCH(QString, name);
        about::frmAbout box(ui::App::fromBuild(), launcher, messages);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QHash<QString, ui::Label *> labels = {{"lblTitle", box.lblTitle},
                                                    {"lblVersion", box.lblVersion},
                                                    {"lblDescription", box.lblDescription},
                                                    {"lblDisclaimer", box.lblDisclaimer}};
        ui::Label *label = labels.value(name);
        verifyLabelFits(label, label->width());
        verifyButtonFits(box.cmdOK);
    }
};

QTEST_MAIN(tst_Layout)
#include "tst_Layout.moc"
