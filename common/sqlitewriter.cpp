#include "sqlitewriter.h"

#include "error.h"
#include "sqlitebackend.h"

#include <QFile>

#include <sqlite3.h>

namespace common {

namespace {

QByteArray quoted(const QString &identifier)
{
    QByteArray utf8 = identifier.toUtf8();
    utf8.replace('"', "\"\"");
    return '"' + utf8 + '"';
}

bool exec(sqlite3 *db, const QByteArray &sql)
{
    return sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool insertRows(sqlite3 *db, const TableData &table)
{
    QByteArray sql = "INSERT INTO " + quoted(table.name) + " VALUES (";
    for (qsizetype i = 0; i < table.fields.size(); ++i)
        sql += i == 0 ? "?" : ", ?";
    sql += ")";
    SqliteStatement stmt(db, sql);
    if (stmt.prepareResult() != SQLITE_OK)
        return false;
    for (const TableRow &row : table.rows) {
        sqlite3_reset(stmt.get());
        for (int i = 0; i < int(table.fields.size()); ++i) {
            const FieldValue value = i < row.size() ? row[i] : std::nullopt;
            if (value) {
                const QByteArray utf8 = value->toUtf8();
                sqlite3_bind_text(stmt.get(), i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_null(stmt.get(), i + 1);
            }
        }
        if (sqlite3_step(stmt.get()) != SQLITE_DONE)
            return false;
    }
    return true;
}

bool writeTables(sqlite3 *db, const QList<TableData> &tables)
{
    // The rollback journal (not WAL) keeps each database one self-contained file; FULL syncs the
    // file when the transaction commits.
    bool ok = exec(db, "PRAGMA journal_mode = DELETE") && exec(db, "PRAGMA synchronous = FULL")
              && exec(db, "BEGIN");
    for (const TableData &table : tables) {
        QByteArray sql = "CREATE TABLE " + quoted(table.name) + " (";
        for (qsizetype i = 0; i < table.fields.size(); ++i)
            sql += (i == 0 ? "" : ", ") + quoted(table.fields[i]) + " TEXT";
        sql += ")";
        ok = ok && exec(db, sql) && insertRows(db, table);
    }
    return ok && exec(db, "COMMIT");
}

} // namespace

void createSqliteFile(const QString &path, const QList<TableData> &tables)
{
    if (QFile::exists(path))
        throw Error::cannotOpen(path);
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
    const bool ok = rc == SQLITE_OK && writeTables(db, tables);
    sqlite3_close(db);
    if (!ok) {
        QFile::remove(path);
        throw Error::cannotOpen(path);
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

} // namespace common
