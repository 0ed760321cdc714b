#include "database.h"
#include "error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;
using common::Database;
using common::Error;
using common::FieldValue;
using Access = common::Database::Access;

namespace {

const QString kTable = u"标题"_s;
const QString kKey = u"键"_s;
const QString kText = u"内容"_s;

// A connection of another program, made without the record layer.
struct Raw
{
    explicit Raw(const QString &path) { sqlite3_open(QFile::encodeName(path).constData(), &db); }
    ~Raw() { sqlite3_close(db); }
    bool exec(const QString &sql)
    {
        return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3 *db = nullptr;
};

// The error `f` throws; number 0 when it throws none.
template<typename F>
Error failure(F &&f)
{
    try {
        f();
    } catch (const Error &e) {
        return e;
    }
    return Error(0, QString());
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

enum BadFile { Missing, Folder, Written, Unreadable };

} // namespace

class DatabaseTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void tablesAndRows();
    void navigation_data();
    void navigation();
    void unknownNames();
    void otherConnections();
    void writeWaitsForAnotherWriter();
    void writeRefused_data();
    void writeRefused();
    void badFiles_data();
    void badFiles();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void DatabaseTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(u"vb.MDB"_s);
    QVERIFY(Raw(m_path).exec(u"PRAGMA synchronous = OFF; BEGIN;"
                             "CREATE TABLE Zeta(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT);"
                             "CREATE TABLE 标题(键 TEXT PRIMARY KEY, 内容 TEXT, 序号 INTEGER);"
                             "CREATE INDEX 标题内容 ON 标题(内容);"
                             "CREATE VIEW 视图 AS SELECT 键 FROM 标题;"
                             "CREATE TABLE alpha(x TEXT);"
                             "CREATE TABLE Empty(x TEXT);"
                             "INSERT INTO Zeta(name) VALUES('z');"
                             "INSERT INTO 标题 VALUES('b', '乙', 2), ('a', NULL, 1), ('c', '丙', 3);"
                             "ANALYZE; COMMIT;"_s));
}

void DatabaseTest::tablesAndRows()
{
    // AUTOINCREMENT adds sqlite_sequence after Zeta and ANALYZE adds sqlite_stat1; views and
    // indexes are no tables. The text primary key would order the rows a, b, c; stored is b, a, c.
    const auto db = Database::open(m_path, Access::ReadOnly);
    QCOMPARE(db->tableNames(), (QStringList{u"Zeta"_s, kTable, u"alpha"_s, u"Empty"_s}));
    const auto rs = db->openRecordset(kTable);
    QCOMPARE(rs->recordCount(), 3);
    QStringList walked;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        walked << rs->text(kKey) + rs->field(kText).value_or(u"-"_s) + rs->text(u"序号"_s);
    QCOMPARE(walked, (QStringList{u"b乙2"_s, u"a-1"_s, u"c丙3"_s}));
}

void DatabaseTest::navigation_data()
{
    // Steps: F first, L last, N next, P previous, R read a field, @n absolute position, B keep the
    // bookmark, G go to the kept bookmark, U go to an unknown bookmark.
    // Every step but the last must succeed; the last fails with `error` (0: succeeds). `at` is the
    // key of the current row, or BOF, EOF, or both for an empty table.
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("at");
    const QString t = kTable;
    const QString e = u"Empty"_s;
    QTest::newRow("opened on the first row") << t << u""_s << 0 << u"b"_s;
    QTest::newRow("last row steps to EOF") << t << u"L N"_s << 0 << u"EOF"_s;
    QTest::newRow("next at EOF") << t << u"L N N"_s << 3021 << u"EOF"_s;
    QTest::newRow("back from EOF") << t << u"L N P"_s << 0 << u"c"_s;
    QTest::newRow("first row steps to BOF") << t << u"N F P"_s << 0 << u"BOF"_s;
    QTest::newRow("previous at BOF") << t << u"F P P"_s << 3021 << u"BOF"_s;
    QTest::newRow("field at EOF") << t << u"L N R"_s << 3021 << u"EOF"_s;
    QTest::newRow("bookmark at BOF") << t << u"P B"_s << 3021 << u"BOF"_s;
    QTest::newRow("bookmark round trip") << t << u"L B F G"_s << 0 << u"c"_s;
    QTest::newRow("unknown bookmark") << t << u"N U"_s << 3021 << u"a"_s;
    QTest::newRow("absolute position") << t << u"@2 P"_s << 0 << u"a"_s;
    QTest::newRow("absolute position past the end") << t << u"N @3"_s << 3021 << u"a"_s;
    QTest::newRow("negative absolute position") << t << u"@-1"_s << 3021 << u"b"_s;
    QTest::newRow("empty: opened") << e << u""_s << 0 << u"BOF EOF"_s;
    QTest::newRow("empty: first") << e << u"F"_s << 3021 << u"BOF EOF"_s;
    QTest::newRow("empty: last") << e << u"L"_s << 3021 << u"BOF EOF"_s;
    QTest::newRow("empty: field") << e << u"R"_s << 3021 << u"BOF EOF"_s;
}

void DatabaseTest::navigation()
{
    QFETCH(QString, table);
    QFETCH(QString, steps);
    QFETCH(int, error);
    QFETCH(QString, at);
    const auto db = Database::open(m_path, Access::ReadOnly);
    const auto rs = db->openRecordset(table);
    const QStringList tokens = steps.split(u' ', Qt::SkipEmptyParts);
    qint64 kept = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Error f = failure([&, step = tokens[i]] {
            switch (step[0].unicode()) {
            case u'F': rs->moveFirst(); break;
            case u'L': rs->moveLast(); break;
            case u'N': rs->moveNext(); break;
            case u'P': rs->movePrevious(); break;
            case u'R': rs->field(rs->hasField(kKey) ? kKey : u"x"_s); break;
            case u'B': kept = rs->bookmark(); break;
            case u'G': rs->setBookmark(kept); break;
            case u'U': rs->setBookmark(rs->bookmarks().last() + 100); break;
            default: rs->setAbsolutePosition(step.mid(1).toInt());
            }
        });
        QCOMPARE(f.number(), i + 1 == tokens.size() ? error : 0);
        if (f.number())
            QVERIFY2(f.text().contains(table), qPrintable(f.text()));
    }
    QCOMPARE(rs->absolutePosition(), int(QStringList{u"b"_s, u"a"_s, u"c"_s}.indexOf(at)));
    QCOMPARE(rs->bof(), at.contains(u"BOF"));
    QCOMPARE(rs->eof(), at.contains(u"EOF"));
    if (rs->hasCurrent())
        QCOMPARE(rs->text(kKey), at);
}

void DatabaseTest::unknownNames()
{
    const auto db = Database::open(m_path, Access::ReadWrite);
    const auto rs = db->openRecordset(kTable);
    for (const Error &f : {failure([&] { rs->field(u"无此字段"_s); }),
                           failure([&] { rs->setField(u"无此字段"_s, u"x"_s); }),
                           failure([&] { rs->column(u"无此字段"_s); })}) {
        QCOMPARE(f.number(), 3265);
        QVERIFY2(f.text().contains(u"无此字段") && f.text().contains(kTable), qPrintable(f.text()));
    }
    for (const QString &table : {u"无此表"_s, u"sqlite_sequence"_s}) {
        const Error f = failure([&] { db->openRecordset(table); });
        QCOMPARE(f.number(), 3078);
        QVERIFY2(f.text().contains(table) && f.text().contains(m_path), qPrintable(f.text()));
    }
}

void DatabaseTest::otherConnections()
{
    // A write is seen at once by a second connection; empty text stays apart from null and the
    // other rows keep their values.
    const auto db = Database::open(m_path, Access::ReadWrite);
    const auto rs = db->openRecordset(kTable);
    rs->setAbsolutePosition(1);
    const auto otherDb = Database::open(m_path, Access::ReadOnly);
    const auto other = otherDb->openRecordset(kTable);
    for (const FieldValue &value : {FieldValue(u"甲"_s), FieldValue(u""_s), FieldValue()}) {
        rs->setField(kText, value);
        QCOMPARE(other->column(kText), (QList<FieldValue>{u"乙"_s, value, u"丙"_s}));
    }

    // Reads show what another program saved; the set of rows stays as it was opened, and a row
    // deleted by another program has no values.
    Raw raw(m_path);
    QVERIFY(raw.exec(u"UPDATE 标题 SET 内容 = '丁' WHERE 键 = 'a'"_s));
    QCOMPARE(rs->text(kText), u"丁"_s);
    QVERIFY(raw.exec(u"INSERT INTO 标题 VALUES('d', '丁', 4); DELETE FROM 标题 WHERE 键 = 'a'"_s));
    QCOMPARE(rs->recordCount(), 3);
    QCOMPARE(failure([&] { rs->field(kText); }).number(), 3021);
    QCOMPARE(failure([&] { rs->setField(kText, u"戊"_s); }).number(), 3021);
    rs->moveNext();
    QCOMPARE(rs->text(kKey), u"c"_s);
}

void DatabaseTest::writeWaitsForAnotherWriter()
{
    const auto db = Database::open(m_path, Access::ReadWrite);
    const auto rs = db->openRecordset(kTable);
    Raw raw(m_path);
    QVERIFY(raw.exec(u"BEGIN IMMEDIATE; UPDATE 标题 SET 序号 = 20 WHERE 键 = 'b'"_s));
    std::atomic<bool> committing = false;
    std::thread holder([&] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        committing = true;
        raw.exec(u"COMMIT"_s);
    });
    const Error f = failure([&] { rs->setField(kText, u"戊"_s); });
    const bool waited = committing;
    holder.join();
    QCOMPARE(f.number(), 0);
    QVERIFY(waited);
    QCOMPARE(rs->text(kText) + rs->text(u"序号"_s), u"戊20"_s);
}

void DatabaseTest::writeRefused_data()
{
    QTest::addColumn<bool>("readWrite"); // false: opened read-only; true: opened for writing, the file read-only
    QTest::newRow("opened read-only") << false;
    QTest::newRow("file without write permission") << true;
}

void DatabaseTest::writeRefused()
{
    QFETCH(bool, readWrite);
    if (readWrite)
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup
                                                  | QFile::ReadOther));
    const QByteArray before = bytesOf(m_path);
    {
        const auto db = Database::open(m_path, readWrite ? Access::ReadWrite : Access::ReadOnly);
        const auto rs = db->openRecordset(kTable);
        const Error f = failure([&] { rs->setField(kText, u"己"_s); });
        QCOMPARE(f.number(), 3051);
        QVERIFY2(f.text().contains(m_path), qPrintable(f.text()));
        QCOMPARE(rs->text(kText), u"乙"_s);
    }
    QCOMPARE(bytesOf(m_path), before);
}

void DatabaseTest::badFiles_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("goodPrefix"); // write this many bytes of the good file instead (-1: all)
    QTest::addColumn<int>("error");
    QByteArray random(4096, 0);
    QRandomGenerator generator(936);
    for (char &c : random)
        c = char(generator.bounded(256));
    const QByteArray text = "SQLite format 3 这不是数据库文件。\r\n"_ba.repeated(8);
    QTest::newRow("missing") << int(Missing) << QByteArray() << 0 << 3024;
    QTest::newRow("folder") << int(Folder) << QByteArray() << 0 << 3343;
    QTest::newRow("empty") << int(Written) << QByteArray() << 0 << 3343;
    QTest::newRow("header only") << int(Written) << QByteArray() << 100 << 3343;
    QTest::newRow("truncated after two pages") << int(Written) << QByteArray() << 8192 << 3343;
    QTest::newRow("random bytes") << int(Written) << random << 0 << 3343;
    QTest::newRow("text file") << int(Written) << text << 0 << 3343;
    QTest::newRow("no read permission") << int(Unreadable) << QByteArray() << -1 << 3051;
}

void DatabaseTest::badFiles()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(int, goodPrefix);
    QFETCH(int, error);
    if (kind == Unreadable && geteuid() == 0)
        QSKIP("the superuser can read any file");
    const QString path = m_dir->filePath(u"bad.mdb"_s);
    if (kind == Folder) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind != Missing) {
        const QByteArray good = bytesOf(m_path);
        QVERIFY(goodPrefix < good.size()); // the truncated file misses pages
        if (goodPrefix)
            bytes = good.left(goodPrefix);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QVERIFY(kind != Unreadable || QFile::setPermissions(path, {}));
    }
    const QByteArray before = bytesOf(path);
    for (const Access access : {Access::ReadOnly, Access::ReadWrite}) {
        const Error f = failure([&] { Database::open(path, access); });
        QCOMPARE(f.number(), error);
        QVERIFY2(f.text().contains(path), qPrintable(f.text()));
    }
    QCOMPARE(QFileInfo::exists(path), kind != Missing);
    QCOMPARE(bytesOf(path), before);
}

QTEST_GUILESS_MAIN(DatabaseTest)
#include "test_database.moc"
