#include "ui/CheckBox.h"

#include <QSignalSpy>
#include <QTest>

using quorvel::ui::CheckBox;

class tst_CheckBox : public QObject
{
    Q_OBJECT

private slots:
    void valueMapsStates_data();
    void valueMapsStates();
    void clickFollowsEveryChange();
    void userClickToggles();
};

void tst_CheckBox::valueMapsStates_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<Qt::CheckState>("state");
    QTest::newRow("unchecked") << 0 << Qt::Unchecked;
    QTest::newRow("checked") << 1 << Qt::Checked;
    QTest::newRow("grey") << 2 << Qt::PartiallyChecked;
}

void tst_CheckBox::valueMapsStates()
{
    QFETCH(int, value);
    QFETCH(Qt::CheckState, state);
    CheckBox box(QStringLiteral("Synchronise directories"));
    box.setValue(value);
    QCOMPARE(box.checkState(), state);
    QCOMPARE(box.Value(), value);
}

void tst_CheckBox::clickFollowsEveryChange()
{
    CheckBox box(QStringLiteral("Synchronise directories"));
    QList<int> valueAtClick;
    connect(&box, &CheckBox::Click, this, [&] { valueAtClick.append(box.Value()); });

    box.setValue(CheckBox::vbChecked);
    box.setValue(CheckBox::vbChecked); // no change, no Click
    box.setValue(CheckBox::vbGrayed);
    box.setValue(CheckBox::vbUnchecked);
    QCOMPARE(valueAtClick, QList<int>({1, 2, 0}));
}

void tst_CheckBox::userClickToggles()
{
    CheckBox box(QStringLiteral("Synchronise directories"));
    box.setValue(CheckBox::vbChecked);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QList<int> valueAtClick;
    connect(&box, &CheckBox::Click, this, [&] { valueAtClick.append(box.Value()); });

    QTest::mouseClick(&box, Qt::LeftButton, {}, box.rect().center());
    QTest::keyClick(&box, Qt::Key_Space);
    QCOMPARE(valueAtClick, QList<int>({0, 1}));
}

QTEST_MAIN(tst_CheckBox)
#include "tst_CheckBox.moc"
