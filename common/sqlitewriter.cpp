#include "sqlitewriter.h"

#include "database.h"
#include "error.h"
#include "sqlitebackend.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>

namespace common {

namespace {

int insertRows(sqlite3 *db, const TableData &table)
{
    QByteArray sql = "INSERT INTO " + quotedIdentifier(table.name) + " VALUES (";
    for (qsizetype i = 0; i < table.fields.size(); ++i)
        sql += i == 0 ? "?" : ", ?";
    sql += ")";
    SqliteStatement stmt(db, sql);
    if (stmt.prepareResult() != SQLITE_OK)
        return stmt.prepareResult();
    for (const TableRow &row : table.rows) {
        sqlite3_reset(stmt.get());
        for (int i = 0; i < int(table.fields.size()); ++i) {
            bindText(stmt.get(), i + 1, i < row.size() ? row[i] : std::nullopt);
        }
        const int rc = sqlite3_step(stmt.get());
        if (rc != SQLITE_DONE)
            return rc;
    }
    return SQLITE_OK;
}

int createTable(const SqliteConnection &db, const TableData &table)
{
    QByteArray sql = "CREATE TABLE " + quotedIdentifier(table.name) + " (";
    for (qsizetype i = 0; i < table.fields.size(); ++i)
        sql += (i == 0 ? "" : ", ") + quotedIdentifier(table.fields[i]) + " TEXT";
    sql += ")";
    const int rc = db.exec(sql);
    return rc == SQLITE_OK ? insertRows(db.get(), table) : rc;
}

// The rollback journal (not WAL) keeps each database one self-contained file; FULL syncs the
// file when the transaction commits.
constexpr const char *kDurable = "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL";

// Returns SQLite's result code of the first step that failed.
int writeTables(const SqliteConnection &db, const QList<TableData> &tables)
{
    int rc = db.exec(kDurable + QByteArray("; BEGIN"));
    for (const TableData &table : tables) {
        if (rc == SQLITE_OK)
            rc = createTable(db, table);
    }
    return rc == SQLITE_OK ? db.exec("COMMIT") : rc;
}

WriteFailure writeFailure(int rc, const QString &path)
{
    return WriteFailure((rc & 0xFF) == SQLITE_FULL ? Error::diskFull(path) : Error::cannotOpen(path));
}

void removeWithCompanions(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1StringView(suffix));
}

bool isReadOnlyRefusal(int rc)
{
    return (rc & 0xFF) == SQLITE_READONLY || (rc & 0xFF) == SQLITE_CANTOPEN;
}

// Whether a failed backup step failed on reading its source rather than on writing the copy.
bool failedReading(int rc)
{
    return (rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_BUSY
           || (rc & 0xFF) == SQLITE_LOCKED || rc == SQLITE_IOERR_READ || rc == SQLITE_IOERR_SHORT_READ;
}

// A read-only connection to the source of a copy whose schema has been read.
SqliteConnection openSource(const QString &source, bool asItLies, int *rc)
{
    SqliteConnection db(asItLies ? immutableUri(source) : QFile::encodeName(source),
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_EXRESCODE | (asItLies ? SQLITE_OPEN_URI : 0));
    *rc = db.openResult();
    if (!db.isOpen())
        return db;
    restrictConnection(db.get());
    sqlite3_busy_timeout(db.get(), 8000);
    *rc = db.exec("SELECT count(*) FROM sqlite_master");
    return db;
}

} // namespace

void createSqliteFile(const QString &path, const QList<TableData> &tables)
{
    if (QFile::exists(path))
        throw WriteFailure(Error::cannotOpen(path));
    int rc;
    {
        const SqliteConnection db(QFile::encodeName(path),
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE);
        rc = db.isOpen() ? writeTables(db, tables) : db.openResult();
    }
    if (rc != SQLITE_OK) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
        throw writeFailure(rc, path);
    }
}

void replaceWithSqliteFile(const QString &path, const QList<TableData> &tables)
{
    const QString temporary = path + QStringLiteral(".part");
    QFile::remove(temporary);
    createSqliteFile(temporary, tables);
    QFile::remove(path);
    if (!QFile::rename(temporary, path)) {
        QFile::remove(temporary);
        throw WriteFailure(Error::cannotOpen(path));
    }
}

QList<TableData> readTables(Database &db)
{
    QList<TableData> tables;
    for (const QString &name : db.tableNames()) {
        const auto table = db.openRecordset(name);
        TableData data{name, table->fieldNames(), {}};
        data.rows.resize(table->recordCount());
        for (const QString &field : data.fields) {
            const QList<FieldValue> column = table->column(field);
            for (qsizetype row = 0; row < data.rows.size(); ++row)
                data.rows[row].append(row < column.size() ? column[row] : std::nullopt);
        }
        tables.append(std::move(data));
    }
    return tables;
}

void backupSqliteFile(const QString &source, const QString &target)
{
    if (QFile::exists(target))
        throw WriteFailure(Error::cannotOpen(target));
    // A file in log mode is read with its log, as SQLite reads a file another program may be
    // writing. The log's index file is made beside it when missing; where the folder may not be
    // written (permission bits, honoured for the superuser too), the file is read as it lies.
    QFile file(source);
    const QByteArray header = file.open(QIODevice::ReadOnly) ? file.read(20) : QByteArray();
    file.close();
    const bool logMode = header.size() == 20 && (header[18] == 2 || header[19] == 2);
    bool asItLies = logMode && !QFile::exists(source + QStringLiteral("-shm"))
                    && !hasWritePermission(QFileInfo(source).path());
    int rc;
    SqliteConnection from = openSource(source, asItLies, &rc);
    if (rc != SQLITE_OK && !asItLies && isReadOnlyRefusal(rc)) {
        // A journal or log this read-only connection may not recover or index.
        asItLies = true;
        from = openSource(source, asItLies, &rc);
    }
    if (rc != SQLITE_OK)
        throw sqliteError(rc, source);

    {
        const SqliteConnection to(QFile::encodeName(target),
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE | SQLITE_OPEN_EXRESCODE);
        rc = to.openResult();
        if (to.isOpen()) {
            restrictConnection(to.get());
            sqlite3_backup *backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
            rc = backup ? sqlite3_backup_step(backup, -1) : sqlite3_extended_errcode(to.get());
            if (backup)
                sqlite3_backup_finish(backup);
            if (rc == SQLITE_DONE)
                rc = SQLITE_OK;
            // The pages came with the source's journal mode; the copy is one file of its own.
            if (rc == SQLITE_OK)
                rc = to.exec(kDurable);
        }
    }
    if (rc == SQLITE_OK)
        return;
    removeWithCompanions(target);
    if (failedReading(rc))
        throw sqliteError(rc, source);
    throw writeFailure(rc, target);
}

void updateSqliteFile(const QString &path, const QString &table, const QString &field,
                      const QHash<int, FieldValue> &valuesByPosition, const TableData &own)
{
    const SqliteConnection db(QFile::encodeName(path), SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE);
    if (!db.isOpen())
        throw writeFailure(db.openResult(), path);
    restrictConnection(db.get());
    int rc = db.exec(kDurable + QByteArray("; BEGIN IMMEDIATE"));

    const QByteArray name = table.toUtf8();
    const auto rows = [&](const QByteArray &sql, bool bindName, auto row) {
        SqliteStatement stmt(db.get(), sql);
        if (stmt.prepareResult() != SQLITE_OK)
            return stmt.prepareResult();
        if (bindName)
            sqlite3_bind_text(stmt.get(), 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        int step;
        while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW)
            row(stmt.get());
        return step == SQLITE_DONE ? SQLITE_OK : step;
    };
    QStringList columns;
    if (rc == SQLITE_OK) {
        rc = rows("SELECT name FROM pragma_table_xinfo(?)", true, [&](sqlite3_stmt *stmt) {
            columns.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))));
        });
    }
    const QByteArray key = rowKeyName(columns);
    if (rc == SQLITE_OK && key.isEmpty())
        throw Error::unsupportedTable(path, table);
    QList<qint64> keys;
    if (rc == SQLITE_OK) {
        rc = rows("SELECT " + key + " FROM " + quotedIdentifier(table) + " ORDER BY " + key, false,
                  [&](sqlite3_stmt *stmt) { keys.append(sqlite3_column_int64(stmt, 0)); });
    }
    if (rc == SQLITE_OK) {
        SqliteStatement update(db.get(), "UPDATE " + quotedIdentifier(table) + " SET " + quotedIdentifier(field)
                                             + " = ? WHERE " + key + " = ?");
        rc = update.prepareResult();
        for (auto it = valuesByPosition.cbegin(); rc == SQLITE_OK && it != valuesByPosition.cend(); ++it) {
            if (it.key() < 0 || it.key() >= keys.size())
                continue;
            sqlite3_reset(update.get());
            bindText(update.get(), 1, it.value());
            sqlite3_bind_int64(update.get(), 2, keys[it.key()]);
            rc = sqlite3_step(update.get());
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        }
    }
    if (rc == SQLITE_OK)
        rc = db.exec("DROP TABLE IF EXISTS " + quotedIdentifier(own.name));
    if (rc == SQLITE_OK)
        rc = createTable(db, own);
    if (rc == SQLITE_OK)
        rc = db.exec("COMMIT");
    if (rc != SQLITE_OK) {
        db.exec("ROLLBACK");
        throw writeFailure(rc, path);
    }
}

} // namespace common
