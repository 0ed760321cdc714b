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
    void encode_data();
    void encode();
    void roundTrip();
    void splitLines_data();
    void splitLines();
};

void TextTest::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("errors");
    QTest::addColumn<bool>("loneLead"); // endsInLoneLeadByte
    QTest::newRow("empty") << QByteArray() << QString() << false << false;
    QTest::newRow("0x80 is the euro sign") << "\x80"_ba << u"€"_s << false << false;
    QTest::newRow("pairs") << "\xD6\xD0\xCE\xC4"_ba << u"中文"_s << false << false;
    QTest::newRow("ASCII letter as trail byte") << "\x81\x41"_ba << u"丄"_s << false << false;
    QTest::newRow("user-defined area") << "\xAA\xA1"_ba << u"\uE000"_s << false << false;
    QTest::newRow("0xFF") << "\xFF"_ba << u"\uF8F5"_s << false << false;
    QTest::newRow("invalid trail byte") << "\x81\x30" "AB"_ba << u"\uFFFD0AB"_s << true << false;
    QTest::newRow("lone lead byte at the end") << "AB\x81"_ba << u"AB\uFFFD"_s << true << true;
    QTest::newRow("pair then lone lead byte") << "\xD6\xD0\xD6"_ba << u"中\uFFFD"_s << true << true;
    QTest::newRow("lead byte alone") << "\x81"_ba << u"\uFFFD"_s << true << true;
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
}

void TextTest::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("errors");
    QTest::newRow("euro sign") << u"€"_s << "\x80"_ba << false;
    QTest::newRow("Chinese") << u"中文"_s << "\xD6\xD0\xCE\xC4"_ba << false;
    QTest::newRow("Thai letter") << u"a\u0E01b"_s << "a?b"_ba << true;
}

void TextTest::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, errors);
    bool hadErrors = !errors;
    QCOMPARE(common::encode936(text, &hadErrors), bytes);
    QCOMPARE(hadErrors, errors);
}

void TextTest::roundTrip()
{
    const QString sentence = u"窗体的 Load 事件在窗体装入内存时发生。\r\n“控件”、『数组』，€100；"_s;
    bool hadErrors = true;
    const QByteArray bytes = common::encode936(sentence, &hadErrors);
    QVERIFY(!hadErrors);
    QCOMPARE(common::decode936(bytes, &hadErrors), sentence);
    QVERIFY(!hadErrors);
}

void TextTest::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("empty input") << QByteArray() << QByteArrayList();
    QTest::newRow("CR LF") << "a\r\nb\r\n"_ba << QByteArrayList{"a", "b"};
    QTest::newRow("CR alone") << "a\rb\r"_ba << QByteArrayList{"a", "b"};
    QTest::newRow("mixed") << "a\r\nb\rc\r\n"_ba << QByteArrayList{"a", "b", "c"};
    QTest::newRow("no final terminator") << "a\r\nb"_ba << QByteArrayList{"a", "b"};
    QTest::newRow("lone LF stays in its line") << "a\nb\r\nc\n"_ba << QByteArrayList{"a\nb", "c\n"};
    QTest::newRow("CR CR LF") << "a\r\r\nb"_ba << QByteArrayList{"a", "", "b"};
    QTest::newRow("trailing CR") << "a\r\nb\r"_ba << QByteArrayList{"a", "b"};
    QTest::newRow("Chinese") << "\xD6\xD0\r\n\xCE\xC4"_ba << QByteArrayList{"\xD6\xD0", "\xCE\xC4"};
}

void TextTest::splitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, lines);
    QByteArrayList actual;
    for (const QByteArrayView line : common::splitLines(bytes))
        actual << line.toByteArray();
    QCOMPARE(actual, lines);
}

QTEST_GUILESS_MAIN(TextTest)
#include "test_text.moc"
