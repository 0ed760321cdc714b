#include "sqlitebackend.h"

#include "error.h"

#include <QFile>
#include <unordered_map>
#include <utility>

#include <sqlite3.h>

namespace common {

namespace {

constexpr int kBusyTimeoutMs = 8000;

// Identifiers cannot be bound as parameters; they are only ever names read back from the file's
// own schema, quoted so that any character in them is taken literally.
QByteArray quoted(const QString &identifier)
{
    QByteArray utf8 = identifier.toUtf8();
    utf8.replace('"', "\"\"");
    return '"' + utf8 + '"';
}

FieldValue columnValue(sqlite3_stmt *stmt, int column)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return std::nullopt;
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    const int size = sqlite3_column_bytes(stmt, column);
    return QString::fromUtf8(text, size);
}

bool hasWritePermission(const QString &path)
{
    // Honoured even for the superuser, as a read-only attribute is on the original platform.
    const QFile::Permissions p = QFile::permissions(path);
    // WriteUser is left out: it asks access(), which always grants the superuser.
    return p & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
}

class SqliteTable : public TableSource
{
public:
    SqliteTable(SqliteBackend &backend, sqlite3 *db, QString name, QStringList fields)
        : m_backend(backend)
        , m_db(db)
        , m_name(std::move(name))
        , m_fields(std::move(fields))
    {
    }

    const QString &name() const override { return m_name; }
    const QStringList &fieldNames() const override { return m_fields; }

    QList<qint64> keys() override
    {
        return everyRow("rowid", [](sqlite3_stmt *stmt) { return sqlite3_column_int64(stmt, 0); });
    }

    FieldValue read(qint64 key, int field) override
    {
        sqlite3_stmt *stmt = readStatement(field);
        sqlite3_reset(stmt);
        sqlite3_bind_int64(stmt, 1, key);
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            FieldValue value = columnValue(stmt, 0);
            sqlite3_reset(stmt);
            return value;
        }
        sqlite3_reset(stmt);
        if (rc == SQLITE_DONE) // the row was deleted by another program
            throw Error::noCurrentRecord(m_name);
        m_backend.fail(rc);
    }

    QList<FieldValue> readColumn(int field) override
    {
        return everyRow(quoted(m_fields[field]), [](sqlite3_stmt *stmt) { return columnValue(stmt, 0); });
    }

    void write(qint64 key, int field, const FieldValue &value) override
    {
        SqliteStatement stmt = prepare("UPDATE " + quoted(m_name) + " SET " + quoted(m_fields[field])
                                       + " = ? WHERE rowid = ?");
        if (value) {
            const QByteArray utf8 = value->toUtf8();
            sqlite3_bind_text(stmt.get(), 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(stmt.get(), 1);
        }
        sqlite3_bind_int64(stmt.get(), 2, key);
        const int rc = sqlite3_step(stmt.get());
        if (rc != SQLITE_DONE)
            m_backend.fail(rc);
        if (sqlite3_changes(m_db) != 1)
            throw Error::noCurrentRecord(m_name);
    }

private:
    SqliteStatement prepare(const QByteArray &sql)
    {
        SqliteStatement stmt(m_db, sql);
        if (stmt.prepareResult() != SQLITE_OK)
            m_backend.fail(stmt.prepareResult());
        return stmt;
    }

    // One column of every row in stored order.
    template<typename Read>
    auto everyRow(const QByteArray &column, Read read) -> QList<decltype(read(nullptr))>
    {
        SqliteStatement stmt = prepare("SELECT " + column + " FROM " + quoted(m_name) + " ORDER BY rowid");
        QList<decltype(read(nullptr))> result;
        int rc;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
            result.append(read(stmt.get()));
        if (rc != SQLITE_DONE)
            m_backend.fail(rc);
        return result;
    }

    sqlite3_stmt *readStatement(int field)
    {
        auto it = m_reads.find(field);
        if (it == m_reads.end()) {
            it = m_reads.emplace(field, prepare("SELECT " + quoted(m_fields[field]) + " FROM "
                                                + quoted(m_name) + " WHERE rowid = ?")).first;
        }
        return it->second.get();
    }

    SqliteBackend &m_backend;
    sqlite3 *m_db;
    QString m_name;
    QStringList m_fields;
    std::unordered_map<int, SqliteStatement> m_reads;
};

} // namespace

SqliteStatement::SqliteStatement(sqlite3 *db, const QByteArray &sql)
{
    m_result = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_stmt, nullptr);
}

SqliteStatement::SqliteStatement(SqliteStatement &&other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr))
    , m_result(other.m_result)
{
}

SqliteStatement &SqliteStatement::operator=(SqliteStatement &&other) noexcept
{
    std::swap(m_stmt, other.m_stmt);
    m_result = other.m_result;
    return *this;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteBackend::SqliteBackend(const QString &path, bool writable)
    : m_path(path)
{
    const bool canWrite = writable && hasWritePermission(path);
    const int flags = (canWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Error::cannotOpen(path);
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // The files come from anywhere: their schema may not run functions with side effects, and
    // nothing may write to the file other than through ordinary statements.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    if (canWrite)
        sqlite3_exec(m_db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    // Reading the schema is the first access to the file's pages: it tells a damaged file at once.
    try {
        tableNames();
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

SqliteBackend::~SqliteBackend()
{
    sqlite3_close(m_db);
}

void SqliteBackend::fail(int code) const
{
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw Error::fileInUse(m_path);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
    case SQLITE_ERROR:
    case SQLITE_MISMATCH:
    case SQLITE_RANGE:
    case SQLITE_TOOBIG:
        throw Error::unrecognizedFormat(m_path);
    default:
        throw Error::cannotOpen(m_path);
    }
}

QStringList SqliteBackend::tableNames()
{
    SqliteStatement stmt(m_db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    if (stmt.prepareResult() != SQLITE_OK)
        fail(stmt.prepareResult());
    QStringList names;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        const QString name = columnValue(stmt.get(), 0).value_or(QString());
        if (!name.startsWith(u"sqlite_"))
            names.append(name);
    }
    if (rc != SQLITE_DONE)
        fail(rc);
    return names;
}

std::unique_ptr<TableSource> SqliteBackend::openTable(const QString &name)
{
    if (!tableNames().contains(name))
        throw Error::tableNotFound(m_path, name);
    SqliteStatement stmt(m_db, "SELECT name FROM pragma_table_info(?)");
    if (stmt.prepareResult() != SQLITE_OK)
        fail(stmt.prepareResult());
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(stmt.get(), 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    QStringList fields;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
        fields.append(columnValue(stmt.get(), 0).value_or(QString()));
    if (rc != SQLITE_DONE)
        fail(rc);
    return std::make_unique<SqliteTable>(*this, m_db, name, fields);
}

} // namespace common
