#include "programbuilder.h"
#include "recordfile.h"

#include "database.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

using namespace datac;

namespace {

RecordFile parse(const QString &text, Problems &problems)
{
    return parseRecordFile(QStringLiteral("t.rec"), readSourceLines(QStringLiteral("t.rec"), text.toUtf8(), problems),
                           problems);
}

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(path);
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(path, target))
            return false;
    }
    return true;
}

void replaceInFile(const QString &path, const QString &before, const QString &after)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    QVERIFY2(text.contains(before), qPrintable(before));
    text.replace(text.indexOf(before), before.size(), after);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

} // namespace

class TestDatac : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesRecords();
    void reportsMalformedSources_data();
    void reportsMalformedSources();
    void sampleContentPassesAndKeepsTheQuestionBank();
    void brokenContentIsReported_data();
    void brokenContentIsReported();
};

void TestDatac::parsesRecords()
{
    Problems problems;
    const RecordFile file = parse(QStringLiteral("%table 表一\n"
                                                 "@目录: 标题\n"
                                                 "@内容:\n"
                                                 "第一行\n"
                                                 "\\@不是字段\n"
                                                 "\\\\x\n"
                                                 "\n\n"
                                                 "%%\n"
                                                 "@目录:\n"
                                                 "%%\n"
                                                 "@内容: 只有内容\n"),
                                  problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.lines().join(u'\n')));
    QCOMPARE(file.table, QStringLiteral("表一"));
    QCOMPARE(file.records.size(), 3);
    QCOMPARE(file.records[0].value(QStringLiteral("目录")), QStringLiteral("标题"));
    // Multi-line values keep CR LF line ends, lose trailing blank lines and one escape.
    QCOMPARE(file.records[0].value(QStringLiteral("内容")), QStringLiteral("第一行\r\n@不是字段\r\n\\x"));
    QCOMPARE(file.records[1].value(QStringLiteral("目录")), QString());
    QVERIFY(file.records[1].value(QStringLiteral("目录")).has_value());
    QVERIFY(!file.records[2].value(QStringLiteral("目录")).has_value());
    QCOMPARE(file.records[2].line, 12);
}

void TestDatac::reportsMalformedSources_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no table line") << QByteArray("@a: b\n") << QStringLiteral("t.rec:1: expected");
    QTest::newRow("text outside a field") << QByteArray("%table t\n@a: b\nstray\n") << QStringLiteral("t.rec:3: text outside");
    QTest::newRow("unknown directive") << QByteArray("%table t\n@a:\n%oops\n") << QStringLiteral("t.rec:3: unknown directive");
    QTest::newRow("field twice") << QByteArray("%table t\n@a: 1\n@a: 2\n") << QStringLiteral("t.rec:3: field \"a\" given twice");
    QTest::newRow("empty record") << QByteArray("%table t\n@a: 1\n%%\n%%\n@a: 2\n") << QStringLiteral("t.rec:4: empty record");
    QTest::newRow("outside code page 936") << QByteArray("%table t\n@a: ok \xF0\x9F\x98\x80\n")
                                           << QStringLiteral("t.rec:2: character U+1F600 at column 8");
    QTest::newRow("invalid UTF-8") << QByteArray("%table t\n\n@a: \xC3\x28\n") << QStringLiteral("t.rec:3: not valid UTF-8");
}

void TestDatac::reportsMalformedSources()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, expected);
    Problems problems;
    parseRecordFile(QStringLiteral("t.rec"), readSourceLines(QStringLiteral("t.rec"), source, problems), problems);
    const QString all = problems.lines().join(u'\n');
    QVERIFY2(all.contains(expected), qPrintable(all));
}

void TestDatac::sampleContentPassesAndKeepsTheQuestionBank()
{
    QTemporaryDir out;
    const QString source = QStringLiteral(TEST_SOURCE_DIR "/data");
    ProgramBuilder first(source, out.path());
    QVERIFY2(first.build(), qPrintable(first.problems().lines().join(u'\n')));

    // An answer given in the program folder survives the next build.
    {
        auto bank = common::Database::open(out.filePath(QStringLiteral("shiti.mdb")), common::Database::Access::ReadWrite);
        auto questions = bank->openRecordset(QStringLiteral("第一套题"));
        questions->setField(QStringLiteral("用户答案"), QStringLiteral("C"));
    }
    ProgramBuilder second(source, out.path());
    QVERIFY(second.build());
    auto bank = common::Database::open(out.filePath(QStringLiteral("shiti.mdb")), common::Database::Access::ReadOnly);
    QCOMPARE(bank->openRecordset(QStringLiteral("第一套题"))->text(QStringLiteral("用户答案")), QStringLiteral("C"));

    // Articles arrive in code page 936 with CR LF line ends.
    QFile article(out.filePath(QStringLiteral("article/8/data6.txt")));
    QVERIFY(article.open(QIODevice::ReadOnly));
    const QByteArray bytes = article.readAll();
    QVERIFY(bytes.endsWith("\r\n"));
    QVERIFY(!bytes.contains("\n\n"));
}

void TestDatac::brokenContentIsReported_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("expected");
    QTest::newRow("technique record not its title") << QStringLiteral("shili/wen.txt") << QStringLiteral("SMTP协议简介")
                                                    << QStringLiteral("SMTP协议") << QStringLiteral("wen.txt:92:");
    QTest::newRow("answer not A to D") << QStringLiteral("shiti/questions.rec") << QStringLiteral("@标准答案: ")
                                       << QStringLiteral("@标准答案: E") << QStringLiteral("questions.rec:2:");
    QTest::newRow("declaration missing") << QStringLiteral("api/01-windows.rec")
                                         << QStringLiteral("@fullname: Declare Function FindWindow Lib")
                                         << QStringLiteral("@fullname:\n@说明: x\n@其它: Declare Function FindWindow Lib")
                                         << QStringLiteral("01-windows.rec:2: \"FindWindow\" has no declaration");
}

void TestDatac::brokenContentIsReported()
{
    QFETCH(QString, file);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("data"));
    QVERIFY(copyTree(QStringLiteral(TEST_SOURCE_DIR "/data"), source));
    replaceInFile(source + u'/' + file, before, after);
    QVERIFY(QFile::remove(source + QStringLiteral("/article/3/data12.txt")));

    ProgramBuilder builder(source, dir.filePath(QStringLiteral("program")));
    QVERIFY(!builder.build());
    const QString all = builder.problems().lines().join(u'\n');
    QVERIFY2(all.contains(expected), qPrintable(all));
    QVERIFY2(all.contains(QStringLiteral("article/3/data12.txt: missing")), qPrintable(all));
}

QTEST_GUILESS_MAIN(TestDatac)
#include "test_datac.moc"
