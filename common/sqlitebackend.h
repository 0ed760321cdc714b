#pragma once

#include "backend.h"

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace common {

// RAII handle of one prepared statement.
class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3 *db, const QByteArray &sql);
    SqliteStatement(SqliteStatement &&other) noexcept;
    SqliteStatement &operator=(SqliteStatement &&other) noexcept;
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;
    ~SqliteStatement();

    sqlite3_stmt *get() const { return m_stmt; }
    int prepareResult() const { return m_result; }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_result = 0;
};

// Database files stored as SQLite 3. Tables are read in rowid order, which is the order the rows
// were stored in. Writes wait for another writer's lock for several seconds before giving up.
class SqliteBackend : public Backend
{
public:
    SqliteBackend(const QString &path, bool writable);
    ~SqliteBackend() override;

    QStringList tableNames() override;
    std::unique_ptr<TableSource> openTable(const QString &name) override;

    // Turns a SQLite result code into the matching Error and throws it.
    [[noreturn]] void fail(int code) const;

private:
    QString m_path;
    sqlite3 *m_db = nullptr;
};

} // namespace common
