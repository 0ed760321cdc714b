#pragma once

#include "backend.h"
#include "error.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace common {

// An identifier for SQL text. Identifiers cannot be bound as parameters; they are only ever names
// read back from a file's schema or the program's own, quoted so that any character in them is
// taken literally.
QByteArray quotedIdentifier(const QString &identifier);
// Binds a field value as text, or NULL, to parameter `index` (1-based) of a statement.
void bindText(sqlite3_stmt *stmt, int index, const FieldValue &value);
// Whether the file's permission bits let anyone write it. Honoured even for the superuser, as a
// read-only attribute is on the original platform.
bool hasWritePermission(const QString &path);
// The Error for a SQLite result code by its kind (locked, disk full, disk error, read-only, not
// a database, ...), naming the file.
Error sqliteError(int code, const QString &path);
// A URI that opens the file read-only without locks and without looking for a journal or log
// beside it, so that nothing is ever created in its folder.
QByteArray immutableUri(const QString &path);
// The limits every connection to a file from anywhere runs under: no triggers, views, functions
// with side effects or foreign-key actions, and no writes other than ordinary statements.
void restrictConnection(sqlite3 *db);
// The name rows of a table with these columns are addressed by: the first of rowid, _rowid_ and
// oid that no column hides; empty when every one is hidden.
QByteArray rowKeyName(const QStringList &columns);

// RAII owner of one SQLite connection. A connection that failed to open holds no handle.
class SqliteConnection
{
public:
    SqliteConnection() = default;
    // `filename` as SQLite takes it (bytes of the local path, or a file: URI with SQLITE_OPEN_URI).
    SqliteConnection(const QByteArray &filename, int flags);
    SqliteConnection(SqliteConnection &&other) noexcept;
    SqliteConnection &operator=(SqliteConnection &&other) noexcept;
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;
    ~SqliteConnection();

    sqlite3 *get() const { return m_db; }
    int openResult() const { return m_result; }
    bool isOpen() const { return m_db != nullptr; }
    // Runs statements without results; returns SQLite's result code.
    int exec(const QByteArray &sql) const;

private:
    sqlite3 *m_db = nullptr;
    int m_result = 0;
};

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

// Database files stored as SQLite 3. The files are untrusted: triggers, views and functions with
// side effects never run, no statement runs longer than a fixed time, rows are addressed by a key
// no column can hide, and a write changes exactly one row or nothing. Tables are read in key
// order, which is the order the rows were stored in. Writes wait for another writer's lock for
// several seconds before giving up. A read-only open never creates a file beside the database.
// Every table opened keeps the backend, and with it the connection, alive for as long as it is used.
class SqliteBackend : public Backend, public std::enable_shared_from_this<SqliteBackend>
{
public:
    // Opens the file, given its first 100 bytes and its size as the caller has just read them.
    static std::shared_ptr<SqliteBackend> open(const QString &path, bool writable, const QByteArray &header,
                                               qint64 fileSize);
    ~SqliteBackend() override;

    QStringList tableNames() override;
    std::unique_ptr<TableSource> openTable(const QString &name) override;
    bool mayBeIncomplete() const override { return m_mayBeIncomplete; }
    const QString &path() const { return m_path; }

    // How long one operation may run (lock waits not counted). For tests of the bound.
    static void setStatementTimeLimit(std::chrono::milliseconds limit);

    // Starts the clocks of one operation: its running time and its wait for other writers' locks.
    void startOperation();
    // Turns a SQLite result code into the matching Error and throws it; `writing` when the code
    // came from a statement that changes the file.
    [[noreturn]] void fail(int code, bool writing = false) const;
    // Throws the reason this open cannot write, if any.
    void checkWritable() const;

private:
    // How the connection reaches the file.
    enum class OpenMode {
        // SQLite may write, and itself rolls back a journal or replays a log left beside the file.
        ReadWrite,
        // Nothing is written; locks are taken and a journal left beside the file is noticed, so a
        // save of another program is never half seen.
        ReadOnly,
        // Read-only without locks, journal or log, so that nothing is made beside the file; what
        // an interrupted save or a log holds is not seen.
        AsItLies,
    };
    // What is decided before the file is opened, from its header and what lies beside it.
    struct OpenPlan
    {
        OpenMode mode = OpenMode::ReadWrite;
        std::optional<Error> cannotWrite; // why every write will be refused, when it will
        bool mayBeIncomplete = false;     // a log's committed changes will be left unread
        // SQLite checks a file it recovers itself; any other is checked here for being cut short.
        bool checkLength = false;
    };
    static OpenPlan planOpen(const QString &path, bool writable, const QByteArray &header);

    static int onProgress(void *self);
    static int onBusy(void *self, int count);

    SqliteBackend(const QString &path, bool writable, const QByteArray &header, qint64 fileSize);
    void connect(OpenMode mode);
    void reopenAsItLies(bool writable, const QByteArray &header, qint64 fileSize);
    void readSchema();

    QString m_path;
    SqliteConnection m_connection;
    OpenMode m_mode = OpenMode::ReadWrite;
    QStringList m_tables;
    QSet<QString> m_unsupportedTables; // views, virtual tables and tables without row keys
    bool m_mayBeIncomplete = false;
    std::optional<Error> m_cannotWrite; // why every write is refused, when it is
    std::chrono::steady_clock::time_point m_deadline;
    std::chrono::steady_clock::duration m_lockWaited{};
    bool m_timedOut = false;
};

} // namespace common
