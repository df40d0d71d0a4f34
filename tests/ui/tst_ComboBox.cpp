#include "ui/ComboBox.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using quorvel::ui::ComboBox;

namespace {

const QStringList rawEntries = {"*.nef (Nikon)", "*.crw (Canon)", "*.cr2 (Canon)",
                                "-------",       "*.jpg",         "*.tiff"};

} // namespace

class tst_ComboBox : public QObject
{
    Q_OBJECT

private slots:
    void addItemKeepsShownText_data();
    void addItemKeepsShownText();
    void typingRaisesNothing_data();
    void typingRaisesNothing();
    void choosingFromTheListClicks();
};

void tst_ComboBox::addItemKeepsShownText_data()
{
    QTest::addColumn<QString>("shown");
    QTest::newRow("pattern") << "*.nef (Nikon)";
    QTest::newRow("not an entry") << "ComboRaw";
    QTest::newRow("empty") << "";
}

void tst_ComboBox::addItemKeepsShownText()
{
    QFETCH(QString, shown);
    ComboBox box;
    QSignalSpy clicks(&box, &ComboBox::Click);
    box.setText(shown);
    for (const QString &entry : rawEntries) {
        box.AddItem(entry);
        QCOMPARE(box.Text(), shown);
    }
    QCOMPARE(box.count(), rawEntries.size());
    for (int i = 0; i < rawEntries.size(); ++i)
        QCOMPARE(box.itemText(i), rawEntries.at(i));
    QCOMPARE(clicks.count(), 0);
}

void tst_ComboBox::typingRaisesNothing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("ending");
    QTest::newRow("part of an entry") << "*.cr2"
                                      << "";
    QTest::newRow("part of an entry, Enter") << "*.cr2"
                                             << "Return";
    QTest::newRow("a whole entry, Enter") << "*.jpg"
                                          << "Return";
    QTest::newRow("a whole entry, focus leaves") << "*.cr2 (Canon)"
                                                 << "focus";
    QTest::newRow("no entry, focus leaves") << "*.xyz"
                                            << "focus";
}

// Only a choice from the list changes a file list; a half-typed pattern must
// not, nor completion turn "*.cr2" into "*.cr2 (Canon)" under the user's hands.
void tst_ComboBox::typingRaisesNothing()
{
    QFETCH(QString, typed);
    QFETCH(QString, ending);

    QWidget window;
    ComboBox box(&window);
    QLineEdit elsewhere(&window);
    elsewhere.move(0, 60);
    box.setText(QStringLiteral("*.nef (Nikon)"));
    for (const QString &entry : rawEntries)
        box.AddItem(entry);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicks(&box, &ComboBox::Click);

    box.setFocus();
    box.lineEdit()->selectAll();
    QTest::keyClicks(&box, typed);
    if (ending == u"Return")
        QTest::keyClick(&box, Qt::Key_Return);
    else if (ending == u"focus")
        elsewhere.setFocus();
    QCoreApplication::processEvents();

    QCOMPARE(box.Text(), typed);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(box.count(), rawEntries.size());
}

void tst_ComboBox::choosingFromTheListClicks()
{
    ComboBox box;
    box.setText(QStringLiteral("*.nef (Nikon)"));
    for (const QString &entry : rawEntries)
        box.AddItem(entry);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    QStringList textAtClick;
    connect(&box, &ComboBox::Click, this, [&] { textAtClick.append(box.Text()); });

    // From the open list, with the mouse.
    box.showPopup();
    QAbstractItemView *view = box.view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QRect entry = view->visualRect(view->model()->index(2, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, entry.center());
    QTRY_COMPARE(textAtClick.join(u'|'), QStringLiteral("*.cr2 (Canon)"));

    // With the arrow keys on the closed box.
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(textAtClick, QStringList({"*.cr2 (Canon)", "-------"}));
    QCOMPARE(box.Text(), QStringLiteral("-------"));
}

QTEST_MAIN(tst_ComboBox)
#include "tst_ComboBox.moc"
