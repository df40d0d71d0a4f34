#include "platform/linux/TrashInfo.h"

#include <QDateTime>
#include <QSet>
#include <QTest>

using namespace quorvel;

namespace {

QByteArray allBytes()
{
    QByteArray bytes;
    for (int c = 1; c < 256; ++c)
        bytes.append(char(c));
    return bytes;
}

bool isValidUtf8(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

} // namespace

class tst_TrashInfo : public QObject
{
    Q_OBJECT

private slots:
    void encodesWhatReadersExpect_data();
    void encodesWhatReadersExpect();
    void roundTrips_data();
    void roundTrips();
    void decodesLeniently_data();
    void decodesLeniently();
    void writesInfoText();
    void lineBreakCannotAddAKey();
    void namesInTheTrash_data();
    void namesInTheTrash();
    void longNamesLeaveRoomForInfoSuffix_data();
    void longNamesLeaveRoomForInfoSuffix();
};

void tst_TrashInfo::encodesWhatReadersExpect_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("encoded");

    QTest::newRow("plain") << QByteArray("/home/ann/DCIM/IMG_0001.NEF")
                           << QByteArray("/home/ann/DCIM/IMG_0001.NEF");
    QTest::newRow("space") << QByteArray("/photos/IMG 0001.NEF")
                           << QByteArray("/photos/IMG%200001.NEF");
    QTest::newRow("percent") << QByteArray("/photos/100%.NEF") << QByteArray("/photos/100%25.NEF");
    QTest::newRow("newline") << QByteArray("/photos/a\nb.NEF") << QByteArray("/photos/a%0Ab.NEF");
    QTest::newRow("utf-8") << QByteArray("/photos/caf\xc3\xa9.NEF")
                           << QByteArray("/photos/caf%C3%A9.NEF");
    QTest::newRow("latin-1 byte") << QByteArray("/photos/caf\xe9.NEF")
                                  << QByteArray("/photos/caf%E9.NEF");
    QTest::newRow("uri delimiters")
        << QByteArray("/p/a#b?c&d=e+f;g") << QByteArray("/p/a%23b%3Fc%26d%3De%2Bf%3Bg");
    QTest::newRow("unreserved kept") << QByteArray("/p/a-b_c.d~e") << QByteArray("/p/a-b_c.d~e");
    QTest::newRow("relative") << QByteArray("DCIM/IMG 1.NEF") << QByteArray("DCIM/IMG%201.NEF");
}

void tst_TrashInfo::encodesWhatReadersExpect()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, encoded);
    QCOMPARE(platform::percentEncodePath(path), encoded);
}

void tst_TrashInfo::roundTrips_data()
{
    QTest::addColumn<QByteArray>("path");

    QTest::newRow("space") << QByteArray("/photos/IMG 0001.NEF");
    QTest::newRow("percent") << QByteArray("/photos/100%25 real %.NEF");
    QTest::newRow("newline") << QByteArray("/photos/first\nsecond.NEF");
    QTest::newRow("non-utf-8") << QByteArray("/photos/\xff\xfe\x80 caf\xe9.NEF");
    QTest::newRow("250 bytes") << QByteArray("/photos/") + QByteArray(246, 'x') + ".NEF";
    QTest::newRow("every byte") << allBytes();
    QTest::newRow("empty") << QByteArray();
}

void tst_TrashInfo::roundTrips()
{
    QFETCH(QByteArray, path);
    const QByteArray encoded = platform::percentEncodePath(path);
    QCOMPARE(platform::percentDecodePath(encoded), path);
    for (const char c : encoded) {
        const auto byte = static_cast<unsigned char>(c);
        QVERIFY2(byte > 0x20 && byte < 0x7F, "the value must be one printable ASCII line");
    }
}

void tst_TrashInfo::decodesLeniently_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("decoded");

    QTest::newRow("lower-case hex") << QByteArray("a%c3%a9") << QByteArray("a\xc3\xa9");
    QTest::newRow("lone percent") << QByteArray("100%") << QByteArray("100%");
    QTest::newRow("one digit at end") << QByteArray("a%4") << QByteArray("a%4");
    QTest::newRow("not hex") << QByteArray("a%zz%4g") << QByteArray("a%zz%4g");
    QTest::newRow("percent before escape") << QByteArray("%%41") << QByteArray("%A");
    QTest::newRow("escaped NUL") << QByteArray("a%00b") << QByteArray("a\0b", 3);
}

void tst_TrashInfo::decodesLeniently()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, decoded);
    QCOMPARE(platform::percentDecodePath(text), decoded);
}

void tst_TrashInfo::writesInfoText()
{
    const QDateTime when(QDate(2024, 3, 9), QTime(7, 5, 3));
    QCOMPARE(platform::trashInfoText("/photos/IMG 0001.NEF", when),
             QByteArray("[Trash Info]\nPath=/photos/IMG%200001.NEF\n"
                        "DeletionDate=2024-03-09T07:05:03\n"));

    // Written in local time whatever zone the caller's clock reading carries.
    const QDateTime utc = when.toUTC();
    QCOMPARE(platform::trashInfoText("a", utc), platform::trashInfoText("a", when));
}

void tst_TrashInfo::lineBreakCannotAddAKey()
{
    const QByteArray text = platform::trashInfoText("/photos/x\nDeletionDate=1999-01-01T00:00:00\n",
                                                    QDateTime::currentDateTime());
    QCOMPARE(text.count('\n'), 3);
    QCOMPARE(text.count("DeletionDate="), 1);
}

void tst_TrashInfo::namesInTheTrash_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("attempt");
    QTest::addColumn<QByteArray>("inTrash");

    QTest::newRow("first") << QByteArray("IMG_0001.NEF") << 1 << QByteArray("IMG_0001.NEF");
    QTest::newRow("second") << QByteArray("IMG_0001.NEF") << 2 << QByteArray("IMG_0001.2.NEF");
    QTest::newRow("third") << QByteArray("IMG_0001.NEF") << 3 << QByteArray("IMG_0001.3.NEF");
    QTest::newRow("twelfth") << QByteArray("IMG_0001.NEF") << 12 << QByteArray("IMG_0001.12.NEF");
    QTest::newRow("two dots") << QByteArray("shot.tar.gz") << 2 << QByteArray("shot.tar.2.gz");
    QTest::newRow("no extension") << QByteArray("README") << 2 << QByteArray("README.2");
    QTest::newRow("hidden") << QByteArray(".hidden") << 2 << QByteArray(".hidden.2");
    QTest::newRow("trailing dot") << QByteArray("odd.") << 2 << QByteArray("odd..2");
    QTest::newRow("non-utf-8") << QByteArray("caf\xe9.NEF") << 2 << QByteArray("caf\xe9.2.NEF");
    QTest::newRow("long extension") << QByteArray("a.") + QByteArray(40, 'e') << 2
                                    << QByteArray("a.") + QByteArray(40, 'e') + ".2";
}

void tst_TrashInfo::namesInTheTrash()
{
    QFETCH(QByteArray, name);
    QFETCH(int, attempt);
    QFETCH(QByteArray, inTrash);
    QCOMPARE(platform::trashedName(name, attempt), inTrash);
}

void tst_TrashInfo::longNamesLeaveRoomForInfoSuffix_data()
{
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("245 bytes") << QByteArray(241, 'a') + ".NEF";
    QTest::newRow("246 bytes") << QByteArray(242, 'a') + ".NEF";
    QTest::newRow("250 bytes") << QByteArray(246, 'a') + ".NEF";
    QTest::newRow("255 bytes") << QByteArray(251, 'a') + ".NEF";
    QTest::newRow("255 bytes, no extension") << QByteArray(255, 'a');
    QTest::newRow("255 bytes of 2-byte characters")
        << QByteArray("\xc3\xa9").repeated(125) + "x.NEF";
    QTest::newRow("255 bytes of 3-byte characters")
        << QByteArray("\xe2\x82\xac").repeated(83) + "a.NEF";
    QTest::newRow("255 bytes of 4-byte characters")
        << QByteArray("\xf0\x9f\x93\xb7").repeated(62) + ".NEF" + "ab";
    QTest::newRow("255 bytes, not utf-8") << QByteArray(251, '\xff') + ".NEF";
}

void tst_TrashInfo::longNamesLeaveRoomForInfoSuffix()
{
    QFETCH(QByteArray, name);
    QVERIFY(name.size() <= platform::maxNameBytes);
    const bool wasUtf8 = isValidUtf8(name);
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray extension = dot > 0 ? name.mid(dot) : QByteArray();

    QSet<QByteArray> seen;
    for (int attempt = 1; attempt <= 120; ++attempt) {
        const QByteArray inTrash = platform::trashedName(name, attempt);
        QVERIFY2(inTrash.size() + platform::trashInfoSuffix.size() <= platform::maxNameBytes,
                 inTrash.constData());
        QVERIFY(!inTrash.contains('/'));
        QVERIFY(inTrash.endsWith(extension));
        // Shortening cuts whole characters only.
        if (wasUtf8)
            QVERIFY(isValidUtf8(inTrash));
        // The start of the name is what a person recognises it by.
        QVERIFY(name.startsWith(inTrash.left(qMin<qsizetype>(inTrash.size(), 100))));
        QVERIFY2(!seen.contains(inTrash), "every attempt must give a new name");
        seen.insert(inTrash);
    }
    if (name.size() + platform::trashInfoSuffix.size() <= platform::maxNameBytes)
        QCOMPARE(platform::trashedName(name, 1), name);
}

QTEST_APPLESS_MAIN(tst_TrashInfo)
#include "tst_TrashInfo.moc"
