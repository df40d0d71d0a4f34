#include "files/FileNames.h"

#include <QRandomGenerator>
#include <QTest>

using quorvel::files::decodeFileName;
using quorvel::files::encodeFileName;
using quorvel::files::joinPath;

namespace {

// A byte that is not part of valid UTF-8 shows as this lone surrogate.
QChar escaped(unsigned char byte)
{
    return QChar(char16_t(0xDC00 + byte));
}

QString escapedAll(const QByteArray &bytes)
{
    QString out;
    for (char c : bytes)
        out.append(escaped(static_cast<unsigned char>(c)));
    return out;
}

QByteArray utf8Of(char32_t cp)
{
    return QString::fromUcs4(&cp, 1).toUtf8();
}

} // namespace

class tst_FileNames : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void randomBytesRoundTrip();
    void validTextEncodesAsUtf8();
    void joinPath_data();
    void joinPath();
    void visibleName_data();
    void visibleName();
};

void tst_FileNames::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ascii") << QByteArray("DSC_0001.NEF") << QStringLiteral("DSC_0001.NEF");
    QTest::newRow("newline") << QByteArray("a\nb.jpg") << QStringLiteral("a\nb.jpg");
    QTest::newRow("percent") << QByteArray("100%.jpg %s %n") << QStringLiteral("100%.jpg %s %n");
    QTest::newRow("two-byte") << QByteArray("\xC3\xA9t\xC3\xA9.jpg") << QStringLiteral("été.jpg");
    QTest::newRow("three-byte") << QByteArray("\xE5\x86\x99\xE7\x9C\x9F.jpg")
                                << QStringLiteral("写真.jpg");
    QTest::newRow("four-byte") << QByteArray("\xF0\x9F\x98\x80.jpg") << QStringLiteral("😀.jpg");
    QTest::newRow("highest code point")
        << QByteArray("\xF4\x8F\xBF\xBF") << QString::fromUcs4(U"\U0010FFFF", 1);
    QTest::newRow("latin-1 byte") << QByteArray("caf\xE9.jpg")
                                  << QStringLiteral("caf") + escaped(0xE9) + QStringLiteral(".jpg");
    QTest::newRow("lone continuation") << QByteArray("\x80") << QString(escaped(0x80));
    QTest::newRow("ff fe") << QByteArray("\xFF\xFE") << escapedAll("\xFF\xFE");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << escapedAll("\xC0\xAF");
    QTest::newRow("overlong three-byte")
        << QByteArray("\xE0\x80\xAF") << escapedAll("\xE0\x80\xAF");
    QTest::newRow("overlong four-byte")
        << QByteArray("\xF0\x80\x80\xAF") << escapedAll("\xF0\x80\x80\xAF");
    QTest::newRow("encoded high surrogate")
        << QByteArray("\xED\xA0\x80") << escapedAll("\xED\xA0\x80");
    QTest::newRow("encoded low surrogate")
        << QByteArray("\xED\xBF\xBF") << escapedAll("\xED\xBF\xBF");
    QTest::newRow("encoded surrogate pair")
        << QByteArray("\xED\xA0\xBD\xED\xB8\x80") << escapedAll("\xED\xA0\xBD\xED\xB8\x80");
    // Bytes that look like our own escapes must not be taken for them.
    QTest::newRow("encoded escape surrogate")
        << QByteArray("\xED\xB3\xBF") << escapedAll("\xED\xB3\xBF");
    QTest::newRow("beyond U+10FFFF")
        << QByteArray("\xF4\x90\x80\x80") << escapedAll("\xF4\x90\x80\x80");
    QTest::newRow("five-byte form")
        << QByteArray("\xF8\x88\x80\x80\x80") << escapedAll("\xF8\x88\x80\x80\x80");
    QTest::newRow("truncated at end")
        << QByteArray("a\xE2\x82") << QStringLiteral("a") + escapedAll("\xE2\x82");
    QTest::newRow("truncated before ascii")
        << QByteArray("\xE2\x82z\xC3\xA9") << escapedAll("\xE2\x82") + QStringLiteral("zé");
    QTest::newRow("valid after invalid")
        << QByteArray("\xFF\xF0\x9F\x98\x80") << escaped(0xFF) + QStringLiteral("😀");
    QTest::newRow("255 ascii bytes")
        << QByteArray(251, 'a') + ".jpg" << QString(251, u'a') + QStringLiteral(".jpg");
    QTest::newRow("255 bytes of two-byte chars")
        << QByteArray("\xC3\xA9").repeated(125) + "x.jpg"
        << QStringLiteral("é").repeated(125) + QStringLiteral("x.jpg");
    QTest::newRow("255 bytes of four-byte chars")
        << QByteArray("\xF0\x9F\x98\x80").repeated(63) + "abc"
        << QStringLiteral("😀").repeated(63) + QStringLiteral("abc");
    QByteArray allHigh;
    for (int b = 0x80; b <= 0xFF; ++b)
        allHigh.append(char(b));
    allHigh += allHigh.left(127);
    QTest::newRow("255 invalid bytes") << allHigh << escapedAll(allHigh);
}

void tst_FileNames::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    const QString decoded = decodeFileName(bytes);
    QCOMPARE(decoded, shown);
    QCOMPARE(encodeFileName(decoded), bytes);
}

// Whatever bytes a name holds, they come back unchanged. The generator favours
// the interesting bytes: UTF-8 lead and continuation bytes, whole and broken
// sequences, and the escapes' own three-byte form.
void tst_FileNames::randomBytesRoundTrip()
{
    QRandomGenerator random(20071201);
    const QList<QByteArray> pieces = {"\xC3\xA9",
                                      "\xE2\x82\xAC",
                                      "\xF0\x9F\x98\x80",
                                      "\xED\xB2\x80",
                                      "\xED\xA0\x80",
                                      "\xC0\x80",
                                      "\xE2\x82",
                                      "\xF0\x9F",
                                      "/",
                                      ".",
                                      "\n",
                                      "%"};
    for (int round = 0; round < 50000; ++round) {
        QByteArray bytes;
        const int length = int(random.bounded(256));
        while (bytes.size() < length) {
            switch (random.bounded(4)) {
            case 0:
                bytes.append(char(random.bounded(256)));
                break;
            case 1:
                bytes.append(char(0x80 + random.bounded(128)));
                break;
            case 2:
                bytes.append(pieces.at(random.bounded(pieces.size())));
                break;
            default:
                bytes.append(utf8Of(random.bounded(0x110000)));
                break;
            }
        }
        const QString decoded = decodeFileName(bytes);
        if (encodeFileName(decoded) != bytes)
            QFAIL(
                qPrintable(QStringLiteral("lost bytes: ") + QString::fromLatin1(bytes.toHex(' '))));
    }
}

// Names that are valid UTF-8 are plain text: no escapes, and the same bytes as
// any other UTF-8 encoder writes.
void tst_FileNames::validTextEncodesAsUtf8()
{
    QRandomGenerator random(1440);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = int(random.bounded(1, 40));
        for (int i = 0; i < length; ++i) {
            char32_t cp = random.bounded(1, 0x110000);
            if (cp >= 0xD800 && cp <= 0xDFFF)
                cp = u'x';
            text += QString::fromUcs4(&cp, 1);
        }
        const QByteArray bytes = encodeFileName(text);
        if (bytes != text.toUtf8() || decodeFileName(bytes) != text)
            QFAIL(qPrintable(QStringLiteral("not plain UTF-8: ") +
                             QString::fromLatin1(bytes.toHex(' '))));
    }
}

void tst_FileNames::joinPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("root") << "/"
                          << "a.jpg"
                          << "/a.jpg";
    QTest::newRow("subfolder") << "/home/anna/pictures"
                               << "a.jpg"
                               << "/home/anna/pictures/a.jpg";
    QTest::newRow("volume root") << "/media/anna/CARD/"
                                 << "DSC_0001.NEF"
                                 << "/media/anna/CARD/DSC_0001.NEF";
    QTest::newRow("name with escapes")
        << "/tmp" << QString(escaped(0xFF)) + QStringLiteral(".jpg")
        << QStringLiteral("/tmp/") + escaped(0xFF) + QStringLiteral(".jpg");
}

void tst_FileNames::joinPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(::joinPath(folder, name), expected);
}

void tst_FileNames::visibleName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");

    QTest::newRow("plain") << "DSC_0001.NEF"
                           << "DSC_0001.NEF";
    QTest::newRow("line break") << "a\r\nYes.jpg"
                                << "a\\r\\nYes.jpg";
    QTest::newRow("tab") << "a\tb.jpg"
                         << "a\\tb.jpg";
    QTest::newRow("escape and delete") << "a\x1b[2Jb\x7f.jpg"
                                       << "a\\x1b[2Jb\\x7f.jpg";
    QTest::newRow("next line") << QStringLiteral("a\u0085b.jpg") << "a\\x85b.jpg";
    QTest::newRow("line separator") << QStringLiteral("a\u2028b.jpg") << "a\\u2028b.jpg";
    QTest::newRow("right-to-left override")
        << QStringLiteral("IMG_\u202Egpj.NEF") << "IMG_\\u202Egpj.NEF";
    QTest::newRow("accents, emoji, spaces")
        << QStringLiteral("été 😀 1.jpg") << QStringLiteral("été 😀 1.jpg");
    QTest::newRow("bytes that are not UTF-8")
        << QString(escaped(0xFF)) + ".jpg" << QString(escaped(0xFF)) + ".jpg";
}

void tst_FileNames::visibleName()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);
    QCOMPARE(quorvel::files::visibleName(name), shown);
}

QTEST_GUILESS_MAIN(tst_FileNames)
#include "tst_FileNames.moc"
