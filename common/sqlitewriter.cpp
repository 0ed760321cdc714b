#include "sqlitewriter.h"

#include "database.h"
#include "error.h"
#include "sqlitebackend.h"

#include <QFile>

#include <sqlite3.h>

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

// Returns SQLite's result code of the first step that failed.
int writeTables(const SqliteConnection &db, const QList<TableData> &tables)
{
    // The rollback journal (not WAL) keeps each database one self-contained file; FULL syncs the
    // file when the transaction commits.
    int rc = db.exec("PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL; BEGIN");
    for (const TableData &table : tables) {
        QByteArray sql = "CREATE TABLE " + quotedIdentifier(table.name) + " (";
        for (qsizetype i = 0; i < table.fields.size(); ++i)
            sql += (i == 0 ? "" : ", ") + quotedIdentifier(table.fields[i]) + " TEXT";
        sql += ")";
        if (rc == SQLITE_OK)
            rc = db.exec(sql);
        if (rc == SQLITE_OK)
            rc = insertRows(db.get(), table);
    }
    return rc == SQLITE_OK ? db.exec("COMMIT") : rc;
}

} // namespace

void createSqliteFile(const QString &path, const QList<TableData> &tables)
{
    if (QFile::exists(path))
        throw Error::cannotOpen(path);
    int rc;
    {
        const SqliteConnection db(QFile::encodeName(path),
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE);
        rc = db.isOpen() ? writeTables(db, tables) : db.openResult();
    }
    if (rc != SQLITE_OK) {
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-journal"));
        throw (rc & 0xFF) == SQLITE_FULL ? Error::diskFull(path) : Error::cannotOpen(path);
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
        throw Error::cannotOpen(path);
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

} // namespace common
