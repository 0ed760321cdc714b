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
#include <future>
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
const QStringList kStoredKeys{u"b"_s, u"a"_s, u"c"_s};

// A connection of another program, made without the record layer.
class Raw
{
public:
    explicit Raw(const QString &path)
    {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
        sqlite3_busy_timeout(m_db, 10000);
    }
    ~Raw() { sqlite3_close(m_db); }

    bool exec(const QString &sql)
    {
        return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    FieldValue value(const QString &sql)
    {
        sqlite3_stmt *stmt = nullptr;
        FieldValue result;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK
            && sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL)
            result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return result;
    }

private:
    sqlite3 *m_db = nullptr;
};

struct Failure
{
    int number = 0;
    QString text;
};

template<typename F>
Failure failure(F &&f)
{
    try {
        f();
    } catch (const Error &e) {
        return {e.number(), e.text()};
    }
    return {};
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

enum BadFile { Missing, Empty, Header, Truncated, RandomBytes, Folder, Text, Unreadable };

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
    void writesAreSavedAtOnce();
    void readsSeeOtherWriters();
    void writeWaitsForAnotherWriter();
    void writeRefused_data();
    void writeRefused();
    void badFiles_data();
    void badFiles();

private:
    QString badFile(int kind);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void DatabaseTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(u"vb.MDB"_s);
    Raw raw(m_path);
    QVERIFY(raw.exec(u"PRAGMA synchronous = OFF; BEGIN;"
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
    QCOMPARE(rs->column(kText), (QList<FieldValue>{u"乙"_s, std::nullopt, u"丙"_s}));
    QStringList walked;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        walked << rs->text(kKey) + rs->field(kText).value_or(u"-"_s) + rs->text(u"序号"_s);
    QCOMPARE(walked, (QStringList{u"b乙2"_s, u"a-1"_s, u"c丙3"_s}));
}

void DatabaseTest::navigation_data()
{
    // Steps: F first, L last, N next, P previous, R read a field, @n absolute position, B keep the
    // bookmark, G go to the kept bookmark, U go to an unknown bookmark.
    // Every step but the last must succeed; the last fails with `error` (0: succeeds).
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("bof");
    QTest::addColumn<bool>("eof");
    const QString t = kTable;
    const QString e = u"Empty"_s;
    QTest::newRow("opened on the first row") << t << u""_s << 0 << 0 << false << false;
    QTest::newRow("first, next, next") << t << u"F N N"_s << 0 << 2 << false << false;
    QTest::newRow("last row steps to EOF") << t << u"L N"_s << 0 << -1 << false << true;
    QTest::newRow("next at EOF") << t << u"L N N"_s << 3021 << -1 << false << true;
    QTest::newRow("back from EOF") << t << u"L N P"_s << 0 << 2 << false << false;
    QTest::newRow("first row steps to BOF") << t << u"F P"_s << 0 << -1 << true << false;
    QTest::newRow("previous at BOF") << t << u"F P P"_s << 3021 << -1 << true << false;
    QTest::newRow("field at EOF") << t << u"L N R"_s << 3021 << -1 << false << true;
    QTest::newRow("bookmark at BOF") << t << u"P B"_s << 3021 << -1 << true << false;
    QTest::newRow("bookmark round trip") << t << u"L B F G"_s << 0 << 2 << false << false;
    QTest::newRow("unknown bookmark") << t << u"N U"_s << 3021 << 1 << false << false;
    QTest::newRow("absolute position") << t << u"@2 P"_s << 0 << 1 << false << false;
    QTest::newRow("absolute position past the end") << t << u"N @3"_s << 3021 << 1 << false << false;
    QTest::newRow("negative absolute position") << t << u"@-1"_s << 3021 << 0 << false << false;
    QTest::newRow("empty: opened") << e << u""_s << 0 << -1 << true << true;
    QTest::newRow("empty: first") << e << u"F"_s << 3021 << -1 << true << true;
    QTest::newRow("empty: last") << e << u"L"_s << 3021 << -1 << true << true;
    QTest::newRow("empty: next") << e << u"N"_s << 3021 << -1 << true << true;
    QTest::newRow("empty: field") << e << u"R"_s << 3021 << -1 << true << true;
    QTest::newRow("empty: absolute position 0") << e << u"@0"_s << 3021 << -1 << true << true;
}

void DatabaseTest::navigation()
{
    QFETCH(QString, table);
    QFETCH(QString, steps);
    QFETCH(int, error);
    QFETCH(int, position);
    QFETCH(bool, bof);
    QFETCH(bool, eof);
    const auto db = Database::open(m_path, Access::ReadOnly);
    const auto rs = db->openRecordset(table);
    const QStringList tokens = steps.split(u' ', Qt::SkipEmptyParts);
    qint64 kept = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString &step = tokens[i];
        const Failure f = failure([&] {
            if (step == u"F")
                rs->moveFirst();
            else if (step == u"L")
                rs->moveLast();
            else if (step == u"N")
                rs->moveNext();
            else if (step == u"P")
                rs->movePrevious();
            else if (step == u"R")
                rs->field(rs->hasField(kKey) ? kKey : u"x"_s);
            else if (step == u"B")
                kept = rs->bookmark();
            else if (step == u"G")
                rs->setBookmark(kept);
            else if (step == u"U")
                rs->setBookmark(rs->bookmarks().last() + 100);
            else
                rs->setAbsolutePosition(step.mid(1).toInt());
        });
        QCOMPARE(f.number, i + 1 == tokens.size() ? error : 0);
        if (f.number)
            QVERIFY2(f.text.contains(table), qPrintable(f.text));
    }
    QCOMPARE(rs->absolutePosition(), position);
    QCOMPARE(rs->bof(), bof);
    QCOMPARE(rs->eof(), eof);
    if (position >= 0)
        QCOMPARE(rs->text(kKey), kStoredKeys[position]);
}

void DatabaseTest::unknownNames()
{
    const auto db = Database::open(m_path, Access::ReadWrite);
    const auto rs = db->openRecordset(kTable);
    for (const Failure &f : {failure([&] { rs->field(u"无此字段"_s); }),
                             failure([&] { rs->setField(u"无此字段"_s, u"x"_s); }),
                             failure([&] { rs->column(u"无此字段"_s); })}) {
        QCOMPARE(f.number, 3265);
        QVERIFY2(f.text.contains(u"无此字段") && f.text.contains(kTable), qPrintable(f.text));
    }
    for (const QString &table : {u"无此表"_s, u"sqlite_sequence"_s}) {
        const Failure f = failure([&] { db->openRecordset(table); });
        QCOMPARE(f.number, 3078);
        QVERIFY2(f.text.contains(table) && f.text.contains(m_path), qPrintable(f.text));
    }
}

void DatabaseTest::writesAreSavedAtOnce()
{
    const auto db = Database::open(m_path, Access::ReadWrite);
    const auto rs = db->openRecordset(kTable);
    rs->setAbsolutePosition(1);
    Raw raw(m_path);
    const QString probe = u"SELECT quote(内容) FROM 标题 WHERE 键 = 'a'"_s;

    rs->setField(kText, u"甲"_s);
    QCOMPARE(raw.value(probe), FieldValue(u"'甲'"_s));
    rs->setField(kText, u""_s); // empty text, not null
    QCOMPARE(raw.value(probe), FieldValue(u"''"_s));
    rs->setField(kText, std::nullopt);
    QCOMPARE(raw.value(probe), FieldValue(u"NULL"_s));

    QCOMPARE(raw.value(u"SELECT count(*) FROM 标题 WHERE 内容 IN ('乙', '丙')"_s), FieldValue(u"2"_s));
}

void DatabaseTest::readsSeeOtherWriters()
{
    const auto db = Database::open(m_path, Access::ReadWrite);
    const auto rs = db->openRecordset(kTable);
    QCOMPARE(rs->text(kText), u"乙"_s);
    Raw raw(m_path);
    QVERIFY(raw.exec(u"UPDATE 标题 SET 内容 = '丁' WHERE 键 = 'b'"_s));
    QCOMPARE(rs->text(kText), u"丁"_s);
    QCOMPARE(rs->column(kText).first(), FieldValue(u"丁"_s));

    // The set of rows stays as it was opened; a row deleted by another program has no values.
    QVERIFY(raw.exec(u"INSERT INTO 标题 VALUES('d', '丁', 4); DELETE FROM 标题 WHERE 键 = 'b'"_s));
    QCOMPARE(rs->recordCount(), 3);
    QCOMPARE(failure([&] { rs->field(kText); }).number, 3021);
    QCOMPARE(failure([&] { rs->setField(kText, u"戊"_s); }).number, 3021);
    rs->moveNext();
    QCOMPARE(rs->text(kKey), u"a"_s);
}

void DatabaseTest::writeWaitsForAnotherWriter()
{
    const auto db = Database::open(m_path, Access::ReadWrite);
    const auto rs = db->openRecordset(kTable);
    std::promise<void> locked;
    std::atomic<bool> releasing = false;
    std::thread holder([&] {
        Raw raw(m_path);
        raw.exec(u"BEGIN IMMEDIATE; UPDATE 标题 SET 序号 = 20 WHERE 键 = 'b'"_s);
        locked.set_value();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        releasing = true;
        raw.exec(u"COMMIT"_s);
    });
    locked.get_future().wait();
    const Failure f = failure([&] { rs->setField(kText, u"戊"_s); });
    const bool waited = releasing;
    holder.join();
    QCOMPARE(f.number, 0);
    QVERIFY(waited);
    QCOMPARE(Raw(m_path).value(u"SELECT 内容 || 序号 FROM 标题 WHERE 键 = 'b'"_s),
             FieldValue(u"戊20"_s));
}

void DatabaseTest::writeRefused_data()
{
    QTest::addColumn<bool>("readWrite");
    QTest::addColumn<bool>("writeBits");
    QTest::newRow("opened read-only") << false << true;
    QTest::newRow("file without write permission") << true << false;
}

void DatabaseTest::writeRefused()
{
    QFETCH(bool, readWrite);
    QFETCH(bool, writeBits);
    if (!writeBits)
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup
                                                  | QFile::ReadOther));
    const QByteArray before = bytesOf(m_path);
    {
        const auto db = Database::open(m_path, readWrite ? Access::ReadWrite : Access::ReadOnly);
        const auto rs = db->openRecordset(kTable);
        const Failure f = failure([&] { rs->setField(kText, u"己"_s); });
        QCOMPARE(f.number, 3051);
        QVERIFY2(f.text.contains(m_path), qPrintable(f.text));
        QCOMPARE(rs->text(kText), u"乙"_s);
    }
    QCOMPARE(bytesOf(m_path), before);
}

QString DatabaseTest::badFile(int kind)
{
    const QString path = m_dir->filePath(u"bad.mdb"_s);
    QByteArray bytes;
    if (kind == Header || kind == Unreadable) {
        bytes = bytesOf(m_path).left(kind == Header ? 100 : -1);
    } else if (kind == Truncated) { // small pages: the first two (schema and a table root) are whole
        const QString big = m_dir->filePath(u"big.mdb"_s);
        Raw(big).exec(u"PRAGMA page_size = 1024; PRAGMA synchronous = OFF; CREATE TABLE t(x TEXT);"
                      "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 40)"
                      " INSERT INTO t SELECT printf('%.200c', 'x') FROM c"_s);
        bytes = bytesOf(big);
        if (bytes.size() < 8 * 1024)
            return {};
        bytes.truncate(2048);
    } else if (kind == RandomBytes) {
        QRandomGenerator random(936);
        bytes.resize(4096);
        for (char &c : bytes)
            c = char(random.bounded(256));
    } else if (kind == Text) {
        bytes = "SQLite format 3 这不是数据库文件。\r\n"_ba.repeated(8);
    }
    if (kind == Missing)
        return path;
    if (kind == Folder)
        return QDir().mkpath(path) ? path : QString();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    file.close();
    return kind != Unreadable || QFile::setPermissions(path, {}) ? path : QString();
}

void DatabaseTest::badFiles_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << int(Missing) << 3024;
    QTest::newRow("empty") << int(Empty) << 3343;
    QTest::newRow("header only") << int(Header) << 3343;
    QTest::newRow("truncated after two pages") << int(Truncated) << 3343;
    QTest::newRow("random bytes") << int(RandomBytes) << 3343;
    QTest::newRow("folder") << int(Folder) << 3343;
    QTest::newRow("text file") << int(Text) << 3343;
    QTest::newRow("no read permission") << int(Unreadable) << 3051;
}

void DatabaseTest::badFiles()
{
    QFETCH(int, kind);
    QFETCH(int, error);
    if (kind == Unreadable && geteuid() == 0)
        QSKIP("the superuser can read any file");
    const QString path = badFile(kind);
    QVERIFY(!path.isEmpty());
    const QByteArray before = bytesOf(path);
    for (const Access access : {Access::ReadOnly, Access::ReadWrite}) {
        const Failure f = failure([&] { Database::open(path, access); });
        QCOMPARE(f.number, error);
        QVERIFY2(f.text.contains(path), qPrintable(f.text));
    }
    QCOMPARE(QFileInfo::exists(path), kind != Missing);
    QCOMPARE(bytesOf(path), before);
}

QTEST_GUILESS_MAIN(DatabaseTest)
#include "test_database.moc"
