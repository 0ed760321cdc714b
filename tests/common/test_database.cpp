#include "database.h"
#include "error.h"
#include "sqlitebackend.h"
#include "sqlitewriter.h"
#include "testsupport.h"

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
using testsupport::failure;
using testsupport::fileBytes;
using common::Database;
using common::Error;
using common::FieldValue;
using Access = common::Database::Access;

namespace {

const QString kTable = u"标题"_s;
const QString kKey = u"键"_s;
const QString kText = u"内容"_s;
// Characters a file name may hold that mean something else in a URI.
// Characters a file URI must escape (Windows names cannot hold '?').
#ifdef Q_OS_WIN
const QString kFolder = u"程序 #1&%20"_s;
#else
const QString kFolder = u"程序 #1?%20"_s;
#endif

// A connection of another program, made without the record layer.
struct Raw
{
    explicit Raw(const QString &path)
        : connection(QFile::encodeName(path), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
    {
        sqlite3_busy_timeout(connection.get(), 20000);
    }
    bool exec(const QString &sql) { return connection.exec(sql.toUtf8()) == SQLITE_OK; }
    // Every row of a query, its columns joined by "/".
    QStringList rows(const char *sql)
    {
        common::SqliteStatement stmt(connection.get(), sql);
        QStringList rows;
        while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
            QStringList columns;
            for (int i = 0; i < sqlite3_column_count(stmt.get()); ++i)
                columns << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), i)));
            rows << columns.join(u'/');
        }
        return rows;
    }
    common::SqliteConnection connection;
};

QStringList listing(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// How a file of the hostile table is damaged.
enum Damage {
    Missing, Folder, Empty, HeaderOnly, TwoPages, ShortLastPage, RandomBytes, TextFile, Unreadable,
    RowidColumn, EveryKeyAColumn, WithoutRowid, EndlessTrigger, RewritingTrigger, ReplaceOnConflict,
    CheckConstraint, OverTimeBound, HotJournal, HotJournalReadOnlyFile, WalFrames, WalReadOnlyFolder,
    ReadOnlyFolder, DiskFull, ExclusiveLock,
};

// A file system that is full: no journal can be created.
// The system's own file layer ("unix", "win32"), found before any test makes another the default.
sqlite3_vfs *systemVfs()
{
    static sqlite3_vfs *const vfs = sqlite3_vfs_find(nullptr);
    return vfs;
}

sqlite3_vfs g_fullDisk;
int (*g_realOpen)(sqlite3_vfs *, sqlite3_filename, sqlite3_file *, int, int *) = nullptr;
int openOnFullDisk(sqlite3_vfs *vfs, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    if (flags & SQLITE_OPEN_MAIN_JOURNAL)
        return SQLITE_FULL;
    return g_realOpen(vfs, name, file, flags, outFlags);
}

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
    void outlivesItsDatabase_data();
    void outlivesItsDatabase();
    void hostileFiles_data();
    void hostileFiles();

    void cleanup();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void DatabaseTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(u"vb.MDB"_s);
    common::createSqliteFile(m_path, {{u"Zeta"_s, {u"name"_s}, {{u"z"_s}}},
                                      {kTable, {kKey, kText, u"序号"_s},
                                       {{u"b"_s, u"乙"_s, u"2"_s}, {u"a"_s, {}, u"1"_s}, {u"c"_s, u"丙"_s, u"3"_s}}},
                                      {u"alpha"_s, {u"x"_s}, {}},
                                      {u"Empty"_s, {u"x"_s}, {}}});
    // What other writers add: an index that would order the rows a, b, c; a view; the tables
    // SQLite keeps for itself.
    QVERIFY(Raw(m_path).exec(u"CREATE UNIQUE INDEX 标题键 ON 标题(键);"
                             "CREATE VIEW 视图 AS SELECT 键 FROM 标题;"
                             "CREATE TABLE 自增(id INTEGER PRIMARY KEY AUTOINCREMENT);"
                             "ANALYZE;"_s));
}

void DatabaseTest::tablesAndRows()
{
    // AUTOINCREMENT adds sqlite_sequence and ANALYZE adds sqlite_stat1; views and indexes are
    // no tables. The unique index would order the rows a, b, c; stored is b, a, c.
    const auto db = Database::open(m_path, Access::ReadOnly);
    QCOMPARE(db->tableNames(), (QStringList{u"Zeta"_s, kTable, u"alpha"_s, u"Empty"_s, u"自增"_s}));
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
    // Names are matched without regard to case, an exact match first. SQLite itself tells only
    // ASCII letters apart by case, so these tables and fields can stand side by side.
    QVERIFY(Raw(m_path).exec(u"CREATE TABLE Äb(Ñ TEXT, ñ TEXT); CREATE TABLE äb(x TEXT);"
                             "INSERT INTO Äb VALUES('大', '小'); INSERT INTO äb VALUES('x');"_s));
    const auto db = Database::open(m_path, Access::ReadWrite);
    QCOMPARE(db->openRecordset(u"äb"_s)->tableName(), u"äb"_s);
    const auto upper = db->openRecordset(u"ÄB"_s);
    QCOMPARE(upper->tableName(), u"Äb"_s);
    QCOMPARE(upper->text(u"ñ"_s) + upper->text(u"Ñ"_s), u"小大"_s);
    QCOMPARE(db->openRecordset(u"ZETA"_s)->column(u"NAME"_s), QList<FieldValue>{u"z"_s});
    QCOMPARE(db->openRecordset(u"Zeta"_s)->hasField(u"Name"_s), true);

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

void DatabaseTest::outlivesItsDatabase_data()
{
    QTest::addColumn<bool>("readWrite");
    QTest::addColumn<int>("error"); // of saving a field
    QTest::newRow("read-only") << false << 3051;
    QTest::newRow("read-write") << true << 0;
}

void DatabaseTest::outlivesItsDatabase()
{
    // Whoever keeps a recordset may use it after the database object that opened it is gone: it
    // reads and saves through the same file, or refuses with the error the open would have given.
    QFETCH(bool, readWrite);
    QFETCH(int, error);
    auto db = Database::open(m_path, readWrite ? Access::ReadWrite : Access::ReadOnly);
    const auto rs = db->openRecordset(kTable);
    db.reset();
    rs->moveLast();
    QCOMPARE(rs->text(kKey), u"c"_s);
    QCOMPARE(rs->column(kText), (QList<FieldValue>{u"乙"_s, {}, u"丙"_s}));
    const Error f = failure([&] { rs->setField(kText, u"丁"_s); });
    QCOMPARE(f.number(), error);
    if (error)
        QVERIFY2(f.text().contains(m_path), qPrintable(f.text()));
    QCOMPARE(rs->text(kText), error ? u"丙"_s : u"丁"_s);
}

void DatabaseTest::cleanup()
{
    // A test may leave its folder read-only or a lower time bound behind.
    if (m_dir)
        QFile::setPermissions(m_dir->filePath(kFolder), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    common::SqliteBackend::setStatementTimeLimit(std::chrono::seconds(3));
    sqlite3_vfs_register(systemVfs(), 1);
}

void DatabaseTest::hostileFiles_data()
{
    QTest::addColumn<int>("damage");
    QTest::addColumn<bool>("readWrite"); // opened for writing; every row then stores one answer
    QTest::addColumn<bool>("reads");     // every row reads back right before the answer is stored
    QTest::addColumn<int>("error");      // the first error, 0 for none
    QTest::addColumn<bool>("unchanged"); // the file byte for byte, and its folder, as they were
    QTest::addColumn<bool>("incomplete");
    const auto row = [](const char *name, Damage damage, bool readWrite, bool reads, int error,
                        bool unchanged, bool incomplete = false) {
        QTest::addRow("%s, %s", name, readWrite ? "read-write" : "read-only")
            << int(damage) << readWrite << reads << error << unchanged << incomplete;
    };
    const auto both = [&](const char *name, Damage damage, int error, bool reads = false) {
        row(name, damage, false, reads, error, true);
        row(name, damage, true, reads, error, true);
    };
    // Not a database, or not all of one.
    both("missing", Missing, 3024);
    both("folder", Folder, 3343);
    both("empty", Empty, 3343);
    both("header only", HeaderOnly, 3343);
    both("cut after two pages", TwoPages, 3343);
    both("cut inside its last page", ShortLastPage, 3343);
    both("random bytes", RandomBytes, 3343);
    both("text file", TextFile, 3343);
    both("no read permission", Unreadable, 3051);
    // Tables and schemas made to mislead. A read-only open reads, then refuses the answer.
    row("a column named rowid", RowidColumn, false, true, 3051, true);
    row("a column named rowid", RowidColumn, true, true, 0, false);
    both("every row key name a column", EveryKeyAColumn, 3251);
    both("a table without row keys", WithoutRowid, 3251);
    row("a trigger with an endless query", EndlessTrigger, true, true, 0, false);
    row("a trigger rewriting other rows", RewritingTrigger, true, true, 0, false);
    row("a unique field that replaces other rows", ReplaceOnConflict, true, true, 3022, true);
    row("a check the answer fails", CheckConstraint, true, true, 3317, true);
    row("a table read past the time bound", OverTimeBound, false, false, 3035, true);
    row("a table read past the time bound", OverTimeBound, true, false, 3035, true);
    // Journals and logs beside the file, folders and disks that refuse to be written.
    row("a journal left by a crash", HotJournal, false, true, 3051, true, true);
    row("a journal left by a crash", HotJournal, true, true, 0, false);
    row("a journal left by a crash, the file read-only", HotJournalReadOnlyFile, true, true, 3049, true, true);
    row("a log with changes not yet in the file", WalFrames, false, true, 3051, true, true);
    row("a log-mode file in a read-only folder", WalReadOnlyFolder, false, true, 3051, true, true);
    row("a log-mode file in a read-only folder", WalReadOnlyFolder, true, true, 3050, true, true);
    row("a read-only folder", ReadOnlyFolder, false, true, 3051, true);
    row("a read-only folder", ReadOnlyFolder, true, true, 3027, true);
    row("a full disk", DiskFull, true, true, 3026, true);
    row("another program committing", ExclusiveLock, true, false, 3045, true);
}

void DatabaseTest::hostileFiles()
{
    QFETCH(int, damage);
    QFETCH(bool, readWrite);
    QFETCH(bool, reads);
    QFETCH(int, error);
    QFETCH(bool, unchanged);
    QFETCH(bool, incomplete);

    const QString folder = m_dir->filePath(kFolder);
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u"/shiti.mdb"_s;
    const QString journal = path + u"-journal"_s;
    const QString questions = u"题"_s;
    const QStringList fields{u"题目"_s, u"答"_s};
    QList<common::TableData> tables{{questions, fields, {{u"第1题"_s, u"甲"_s}, {u"第2题"_s, u"乙"_s},
                                                         {u"第3题"_s, u"B"_s}}},
                                    {u"名"_s, {u"名称"_s}, {{u"第一套题"_s}}}};
    if (damage == RowidColumn || damage == EveryKeyAColumn) {
        // Every row holds 1 where the row key would be.
        tables[0].fields.prepend(u"rowid"_s);
        if (damage == EveryKeyAColumn)
            tables[0].fields << u"OID"_s << u"_rowid_"_s;
        for (common::TableRow &values : tables[0].rows) {
            values.prepend(u"1"_s);
            values.resize(tables[0].fields.size(), u"1"_s);
        }
    }
    if (damage != Missing && damage != Folder)
        common::createSqliteFile(path, tables);
    const QByteArray good = fileBytes(path);
    const auto plant = [&](const QString &sql) { QVERIFY2(Raw(path).exec(sql), qPrintable(sql)); };
    const auto write = [&](const QString &file, const QByteArray &bytes) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size());
    };
    const auto makeReadOnly = [&](const QString &file) {
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ReadOther));
    };
    bool refused = true; // what the row needs the system to refuse, it refuses
    std::optional<Raw> committing;
    switch (Damage(damage)) {
    case Missing:
    case RowidColumn:
    case EveryKeyAColumn:
        break;
    case Folder:
        QVERIFY(QDir().mkpath(path));
        break;
    case Empty:
        write(path, {});
        break;
    case HeaderOnly:
        write(path, good.left(100));
        break;
    case TwoPages:
        QVERIFY(good.size() > 8192);
        write(path, good.left(8192));
        break;
    case ShortLastPage:
        write(path, good.left(good.size() - 100));
        break;
    case RandomBytes: {
        QByteArray random(4096, 0);
        QRandomGenerator generator(936);
        for (char &c : random)
            c = char(generator.bounded(256));
        write(path, random);
        break;
    }
    case TextFile:
        write(path, "SQLite format 3 这不是数据库文件。\r\n"_ba.repeated(8));
        break;
    case Unreadable:
        QVERIFY(QFile::setPermissions(path, {}));
        refused = !QFile(path).open(QIODevice::ReadOnly);
        break;
    case WithoutRowid:
        QFile::remove(path);
        plant(u"CREATE TABLE 题(题目 TEXT PRIMARY KEY, 答 TEXT) WITHOUT ROWID;"
              "INSERT INTO 题 VALUES('第1题', '甲'), ('第2题', '乙'), ('第3题', 'B')"_s);
        break;
    case EndlessTrigger:
        plant(u"CREATE TRIGGER 死循环 BEFORE UPDATE ON 题 BEGIN SELECT count(*) FROM (WITH RECURSIVE "
              "r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r) SELECT i FROM r); END"_s);
        break;
    case RewritingTrigger:
        plant(u"CREATE TRIGGER 改写 AFTER UPDATE ON 题 BEGIN UPDATE 题 SET 答 = 'X' WHERE _rowid_ <> "
              "new._rowid_; DELETE FROM 名; END"_s);
        break;
    case ReplaceOnConflict:
    case CheckConstraint:
        QFile::remove(path);
        plant((damage == ReplaceOnConflict ? u"CREATE TABLE 题(题目 TEXT, 答 TEXT UNIQUE ON CONFLICT REPLACE);"_s
                                           : u"CREATE TABLE 题(题目 TEXT, 答 TEXT CHECK (答 <> 'B' OR 题目 = '第3题'));"_s)
              + u"INSERT INTO 题 VALUES('第1题', '甲'), ('第2题', '乙'), ('第3题', 'B')"_s);
        break;
    case OverTimeBound:
        plant(u"INSERT INTO 题 WITH RECURSIVE r(i) AS (SELECT 4 UNION ALL SELECT i + 1 FROM r LIMIT 300000) "
              "SELECT '第' || i || '题', NULL FROM r"_s);
        common::SqliteBackend::setStatementTimeLimit(std::chrono::milliseconds(1));
        break;
    case HotJournal:
    case HotJournalReadOnlyFile: {
        // The journal of a save cut off after its first page was journaled: it holds the pages as
        // they are now, so rolling it back changes nothing.
        Raw crashing(path);
        QVERIFY(crashing.exec(u"PRAGMA synchronous = OFF; BEGIN; UPDATE 题 SET 答 = 'Z'"_s));
        const QByteArray bytes = fileBytes(journal);
        QVERIFY(bytes.size() > 512);
        QVERIFY(crashing.exec(u"ROLLBACK"_s));
        write(journal, bytes);
        if (damage == HotJournalReadOnlyFile)
            makeReadOnly(path);
        break;
    }
    case WalFrames:
    case WalReadOnlyFolder: {
        // A change committed to the log but not yet to the file, as a crash leaves it.
        plant(u"PRAGMA journal_mode = WAL"_s);
        Raw writer(path);
        QVERIFY(writer.exec(u"PRAGMA wal_autocheckpoint = 0; UPDATE 题 SET 答 = 'W' WHERE 题目 = '第1题'"_s));
        const QByteArray file = fileBytes(path);
        const QByteArray log = fileBytes(path + u"-wal"_s);
        QVERIFY(log.size() > 32);
        writer = Raw(folder + u"/other"_s); // closes the writer, which checkpoints and removes the log
        QFile::remove(folder + u"/other"_s);
        write(path, file);
        write(path + u"-wal"_s, log);
        if (damage == WalReadOnlyFolder)
            makeReadOnly(folder);
        break;
    }
    case ReadOnlyFolder:
        makeReadOnly(folder);
        break;
    case DiskFull:
        g_fullDisk = *systemVfs();
        g_fullDisk.zName = "full";
        g_realOpen = g_fullDisk.xOpen;
        g_fullDisk.xOpen = openOnFullDisk;
        QCOMPARE(sqlite3_vfs_register(&g_fullDisk, 1), SQLITE_OK);
        break;
    case ExclusiveLock:
        committing.emplace(path);
        QVERIFY(committing->exec(u"BEGIN EXCLUSIVE"_s));
        break;
    }
    if (damage == WalReadOnlyFolder || damage == ReadOnlyFolder) {
        QFile probe(folder + u"/probe"_s);
        refused = !probe.open(QIODevice::WriteOnly);
        probe.remove();
    }
    // Rows that need the system to refuse the superuser are skipped where it does not.
    if (!refused)
        QSKIP("this user may read and write anything; run the test as an unprivileged user");

    const QByteArray before = fileBytes(path);
    const QStringList filesBefore = listing(folder);
    bool readBack = false;
    bool mayBeIncomplete = false;
    QStringList walked;
    QList<QList<FieldValue>> columns;
    const auto started = std::chrono::steady_clock::now();
    const Error f = failure([&] {
        const auto db = Database::open(path, readWrite ? Access::ReadWrite : Access::ReadOnly);
        mayBeIncomplete = db->mayBeIncomplete();
        const auto rs = db->openRecordset(questions);
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            walked << rs->text(fields[0]) + u'/' + rs->text(fields[1]);
        columns = rs->columns(fields);
        readBack = true;
        rs->setAbsolutePosition(1);
        rs->setField(fields[1], u"B"_s);
    });
    const auto waited = std::chrono::steady_clock::now() - started;
    committing.reset();
    cleanup();

    QVERIFY2(f.number() == error, qPrintable(u"%1: %2"_s.arg(f.number()).arg(f.text())));
    if (error)
        QVERIFY2(f.text().contains(path), qPrintable(f.text()));
    if (damage == ExclusiveLock) // one wait for the lock, not one per statement
        QVERIFY(waited < std::chrono::seconds(12));
    QCOMPARE(readBack, reads);
    QCOMPARE(mayBeIncomplete, incomplete);
    if (reads) {
        const QStringList expected{u"第1题/甲"_s, u"第2题/乙"_s, u"第3题/B"_s};
        QCOMPARE(walked, expected);
        QCOMPARE(columns, (QList<QList<FieldValue>>{{u"第1题"_s, u"第2题"_s, u"第3题"_s},
                                                     {u"甲"_s, u"乙"_s, u"B"_s}}));
    }
    if (unchanged) {
        QCOMPARE(listing(folder), filesBefore);
        QCOMPARE(fileBytes(path), before);
    } else {
        // Exactly the one answer changed, in this table and in every other.
        Raw raw(path);
        QVERIFY(raw.exec(u"PRAGMA query_only = ON"_s));
        QCOMPARE(raw.rows("SELECT 题目, 答 FROM 题 ORDER BY _rowid_"),
                 (QStringList{u"第1题/甲"_s, u"第2题/B"_s, u"第3题/B"_s}));
        QCOMPARE(raw.rows("SELECT 名称 FROM 名"), QStringList{u"第一套题"_s});
    }
}

QTEST_GUILESS_MAIN(DatabaseTest)
#include "test_database.moc"
