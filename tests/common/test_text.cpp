#include "codec936.h"
#include "linereader.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data();
    void decode();
    void unencodable();
    void splitLines_data();
    void splitLines();
};

void TextTest::decode_data()
{
    // Rows without errors must also encode back to the same bytes.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("errors");
    QTest::addColumn<bool>("loneLead"); // endsInLoneLeadByte
    QTest::newRow("empty") << QByteArray() << QString() << false << false;
    QTest::newRow("0x80 is the euro sign") << "\x80"_ba << u"€"_s << false << false;
    QTest::newRow("pairs, last byte in the lead range") << "\xD6\xD0\xCE\xC4"_ba << u"中文"_s << false << false;
    QTest::newRow("ASCII letter as trail byte") << "\x81\x41"_ba << u"丄"_s << false << false;
    QTest::newRow("user-defined area") << "\xAA\xA1"_ba << u"\uE000"_s << false << false;
    QTest::newRow("0xFF") << "\xFF"_ba << u"\uF8F5"_s << false << false;
    QTest::newRow("sentence") << "\xB4\xB0\xCC\xE5 Load\r\n\xA1\xB0\xBF\xD8\xBC\xFE\xA1\xB1\xA3\xAC\x80" "100"_ba
                              << u"窗体 Load\r\n“控件”，€100"_s << false << false;
    QTest::newRow("invalid trail byte") << "\x81\x30" "AB"_ba << u"\uFFFD0AB"_s << true << false;
    QTest::newRow("lone lead byte at the end") << "AB\x81"_ba << u"AB\uFFFD"_s << true << true;
    QTest::newRow("pair then lone lead byte") << "\xD6\xD0\xD6"_ba << u"中\uFFFD"_s << true << true;
}

void TextTest::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, errors);
    QFETCH(bool, loneLead);
    bool hadErrors = !errors;
    QCOMPARE(common::decode936(bytes, &hadErrors), text);
    QCOMPARE(hadErrors, errors);
    QCOMPARE(common::endsInLoneLeadByte(bytes), loneLead);
    if (!errors) {
        hadErrors = true;
        QCOMPARE(common::encode936(text, &hadErrors), bytes);
        QVERIFY(!hadErrors);
    }
}

void TextTest::unencodable()
{
    bool hadErrors = false;
    QCOMPARE(common::encode936(u"a\u0E01b"_s, &hadErrors), "a?b"_ba);
    QVERIFY(hadErrors);
}

void TextTest::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("empty input") << QByteArray() << QByteArrayList();
    QTest::newRow("CR LF") << "a\r\nb\r\n"_ba << QByteArrayList{"a", "b"};
    QTest::newRow("CR alone") << "a\rb\r"_ba << QByteArrayList{"a", "b"};
    QTest::newRow("no final terminator") << "a\r\nb"_ba << QByteArrayList{"a", "b"};
    QTest::newRow("lone LF stays in its line") << "a\nb\r\nc\n"_ba << QByteArrayList{"a\nb", "c\n"};
    QTest::newRow("CR CR LF") << "a\r\r\nb"_ba << QByteArrayList{"a", "", "b"};
}

void TextTest::splitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, lines);
    QByteArrayList actual;
    common::LineReader reader(bytes);
    while (!reader.atEnd())
        actual << reader.readLine().toByteArray();
    QCOMPARE(actual, lines);
}

QTEST_GUILESS_MAIN(TextTest)
#include "test_text.moc"
