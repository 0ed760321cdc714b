#include "importer.h"
#include "programbuilder.h"
#include "recordfile.h"

#include "database.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using namespace datac;
using namespace Qt::StringLiterals;
using Access = common::Database::Access;

namespace {

const QString kSamples = QStringLiteral(TEST_SOURCE_DIR "/data");

RecordFile parse(const QByteArray &source, Problems &problems)
{
    return parseRecordFile(u"t.rec"_s, readSourceLines(u"t.rec"_s, source, problems), problems);
}

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(path);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(path, target))
            return false;
    }
    return true;
}

void replaceInFile(const QString &path, const QString &before, const QString &after)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(text.contains(before), qPrintable(before));
    text.replace(text.indexOf(before), before.size(), after);
    QVERIFY(file.resize(0) && file.seek(0) && file.write(text.toUtf8()) > 0);
}

// Every table of a database file, read with SQLite directly: its columns, then each row in stored
// order, a null apart from an empty text.
QStringList dump(const QString &path)
{
    QStringList lines;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {u"cannot open "_s + path};
    }
    const auto query = [db, &lines](const QByteArray &sql, const QString &prefix) {
        QStringList results;
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList values;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, i));
                values.append(text ? QString::fromUtf8(text) : u"<null>"_s);
            }
            results.append(values.join(u'|'));
            lines.append(prefix + values.join(u'|'));
        }
        sqlite3_finalize(stmt);
        return results;
    };
    const QStringList tables = query("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid", u"table "_s);
    for (const QString &table : tables) {
        const QByteArray quoted = '"' + table.toUtf8().replace('"', "\"\"") + '"';
        query("SELECT name FROM pragma_table_info('" + table.toUtf8().replace('\'', "''") + "')", table + u" field "_s);
        query("SELECT * FROM " + quoted + " ORDER BY rowid", table + u" row "_s);
    }
    sqlite3_close(db);
    return lines;
}

// The article files of a program folder by their paths, with their bytes.
QMap<QString, QByteArray> articles(const QString &program)
{
    QMap<QString, QByteArray> files;
    for (const QString &catalogue : {u"article"_s, u"technique"_s}) {
        QDirIterator it(program + u'/' + catalogue, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                files.insert(QDir(program).relativeFilePath(file.fileName()), file.readAll());
        }
    }
    return files;
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
    void brokenContentIsReported();
    void importThenCompileGivesTheSameFolder();
};

void TestDatac::parsesRecords()
{
    Problems problems;
    const RecordFile file = parse("%table 表一\n@目录: 标题\n@内容:\n第一行\n\\@不是字段\n\\\\x\n\n\n"
                                  "%%\n@目录:\n%%\n@内容: 只有内容\n"_ba,
                                  problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.lines().join(u'\n')));
    QCOMPARE(file.table, u"表一"_s);
    QCOMPARE(file.records.size(), 3);
    QCOMPARE(file.records[0].value(u"目录"_s), u"标题"_s);
    // Multi-line values keep CR LF line ends, lose trailing blank lines and one escape.
    QCOMPARE(file.records[0].value(u"内容"_s), u"第一行\r\n@不是字段\r\n\\x"_s);
    // An empty value is not an absent one.
    QCOMPARE(file.records[1].value(u"目录"_s), std::optional<QString>(QString()));
    QCOMPARE(file.records[2].value(u"目录"_s), std::nullopt);
    QCOMPARE(file.records[2].line, 12);
}

void TestDatac::reportsMalformedSources_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no table line") << "@a: b\n"_ba << u"t.rec:1: expected"_s;
    QTest::newRow("text outside a field") << "%table t\n@a: b\nstray\n"_ba << u"t.rec:3: text outside"_s;
    QTest::newRow("unknown directive") << "%table t\n@a:\n%oops\n"_ba << u"t.rec:3: unknown directive"_s;
    QTest::newRow("field twice") << "%table t\n@a: 1\n@a: 2\n"_ba << u"t.rec:3: field \"a\" given twice"_s;
    QTest::newRow("empty record") << "%table t\n@a: 1\n%%\n%%\n@a: 2\n"_ba << u"t.rec:4: empty record"_s;
    QTest::newRow("outside code page 936") << "%table t\n@a: ok \xF0\x9F\x98\x80\n"_ba
                                           << u"t.rec:2: character U+1F600 at column 8"_s;
    QTest::newRow("invalid UTF-8") << "%table t\n\n@a: \xC3\x28\n"_ba << u"t.rec:3: not valid UTF-8"_s;
}

void TestDatac::reportsMalformedSources()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, expected);
    Problems problems;
    parse(source, problems);
    const QString all = problems.lines().join(u'\n');
    QVERIFY2(all.contains(expected), qPrintable(all));
}

void TestDatac::sampleContentPassesAndKeepsTheQuestionBank()
{
    QTemporaryDir out;
    ProgramBuilder first(kSamples, out.path());
    QVERIFY2(first.build(), qPrintable(first.problems().lines().join(u'\n')));

    // An answer given in the program folder survives the next build.
    const QString bankPath = out.filePath(u"shiti.mdb"_s);
    {
        const auto bank = common::Database::open(bankPath, Access::ReadWrite);
        bank->openRecordset(u"第一套题"_s)->setField(u"用户答案"_s, u"C"_s);
    }
    // An article file no source gives any more is removed by the next build.
    QVERIFY(QDir().mkpath(out.filePath(u"technique/6"_s)));
    for (const QString &stale : {u"article/1/data99.txt"_s, u"technique/6/data1.txt"_s}) {
        QFile file(out.filePath(stale));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    }
    ProgramBuilder second(kSamples, out.path());
    second.setFreshBankPath(out.filePath(u"fresh/shiti.mdb"_s));
    QVERIFY(QDir(out.path()).mkdir(u"fresh"_s) && second.build());
    QVERIFY(!QFileInfo::exists(out.filePath(u"article/1/data99.txt"_s)));
    QVERIFY(!QFileInfo::exists(out.filePath(u"technique/6/data1.txt"_s)));
    QVERIFY(QFileInfo::exists(out.filePath(u"article/1/data9.txt"_s)));
    const auto bank = common::Database::open(bankPath, Access::ReadOnly);
    QCOMPARE(bank->openRecordset(u"第一套题"_s)->text(u"用户答案"_s), u"C"_s);
    // The copy meant for installing has nobody's answers.
    const auto fresh = common::Database::open(out.filePath(u"fresh/shiti.mdb"_s), Access::ReadOnly);
    QCOMPARE(fresh->openRecordset(u"第一套题"_s)->text(u"用户答案"_s), QString());

    // Articles arrive in code page 936 with CR LF line ends.
    QFile article(out.filePath(u"article/8/data6.txt"_s));
    QVERIFY(article.open(QIODevice::ReadOnly));
    const QByteArray bytes = article.readAll();
    QVERIFY(bytes.endsWith("\r\n") && !bytes.contains("\n\n"));
}

void TestDatac::brokenContentIsReported()
{
    // One run reports every problem, each with its file and line.
    struct Break
    {
        QString file, before, after, expected;
    };
    const QList<Break> breaks{
        {u"shili/wen.txt"_s, u"SMTP协议简介"_s, u"SMTP协议"_s, u"wen.txt:92:"_s}, // a record not its title
        {u"shiti/questions.rec"_s, u"@标准答案: "_s, u"@标准答案: E"_s, u"questions.rec:2:"_s},
        {u"api/01-windows.rec"_s, u"@fullname: Declare Function FindWindow Lib"_s,
         u"@fullname:\n@说明: x\n@其它: Declare Function FindWindow Lib"_s,
         u"01-windows.rec:2: \"FindWindow\" has no declaration"_s},
        {u"article/3/data12.txt"_s, {}, {}, u"article/3/data12.txt: missing"_s},
    };
    QTemporaryDir dir;
    const QString source = dir.filePath(u"data"_s);
    QVERIFY(copyTree(kSamples, source));
    for (const Break &b : breaks) {
        if (b.before.isEmpty())
            QVERIFY(QFile::remove(source + u'/' + b.file));
        else
            replaceInFile(source + u'/' + b.file, b.before, b.after);
    }
    ProgramBuilder builder(source, dir.filePath(u"program"_s));
    QVERIFY(!builder.build());
    const QString all = builder.problems().lines().join(u'\n');
    for (const Break &b : breaks)
        QVERIFY2(all.contains(b.expected), qPrintable(b.expected + u"\n"_s + all));
    // Nothing is written when anything is wrong.
    QVERIFY(!QFileInfo::exists(dir.filePath(u"program"_s)));
}

// The sample program folder, imported to sources and compiled again, comes back the same: every
// table row by row, every article byte by byte.
void TestDatac::importThenCompileGivesTheSameFolder()
{
    const QString original = QStringLiteral(TEST_PROGRAM_DIR);
    QTemporaryDir dir;
    const QString sources = dir.filePath(u"data"_s), program = dir.filePath(u"program"_s);
    Importer importer(original, sources);
    QVERIFY2(importer.import(), qPrintable(importer.problems().lines().join(u'\n')));
    QVERIFY2(importer.warnings().isEmpty(), qPrintable(importer.warnings().join(u'\n')));
    ProgramBuilder builder(sources, program);
    QVERIFY2(builder.build(), qPrintable(builder.problems().lines().join(u'\n')));
    for (const QString &database : {u"vb.MDB"_s, u"api.mdb"_s, u"shili.mdb"_s, u"shiti.mdb"_s}) {
        const QStringList rows = dump(original + u'/' + database);
        QVERIFY2(rows.size() > 70, qPrintable(database + u": "_s + rows.join(u'\n').left(300)));
        QCOMPARE(dump(program + u'/' + database), rows);
    }
    const QMap<QString, QByteArray> files = articles(original);
    QVERIFY(files.size() > 100);
    QCOMPARE(articles(program), files);

    // A second import never writes into sources that exist.
    Importer again(original, sources);
    QVERIFY(!again.import());
    QVERIFY(again.problems().lines().join(u'\n').contains(u"not empty"_s));
}

QTEST_GUILESS_MAIN(TestDatac)
#include "test_datac.moc"
