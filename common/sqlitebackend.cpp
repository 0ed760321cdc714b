#include "sqlitebackend.h"

#include "platform.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <thread>
#include <unordered_map>
#include <utility>

#include <sqlite3.h>

namespace common {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// One wait for other writers' locks per operation, however many locks it needs.
constexpr auto kLockWait = 8000ms;
std::chrono::milliseconds s_statementTimeLimit = 3000ms;

// Names SQLite accepts for a rowid table's row key; a column of the same name hides one.
constexpr const char *kKeyNames[] = {"rowid", "_rowid_", "oid"};

constexpr qsizetype kHeaderSize = 100;
constexpr qint64 kWalHeaderSize = 32;
constexpr QByteArrayView kJournalMagic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);

FieldValue columnValue(sqlite3_stmt *stmt, int column)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL)
        return std::nullopt;
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    const int size = sqlite3_column_bytes(stmt, column);
    return QString::fromUtf8(text, size);
}

quint32 bigEndian(const QByteArray &bytes, qsizetype offset, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(bytes[offset + i]);
    return value;
}

// A file cut short inside its pages would read as zeros where its data were.
bool lengthMatchesHeader(const QByteArray &header, qint64 fileSize)
{
    if (header.size() < kHeaderSize)
        return false;
    qint64 pageSize = bigEndian(header, 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return false;
    if (fileSize % pageSize != 0)
        return false;
    // The page count is valid only when written by the same change as the change counter.
    const qint64 pageCount = bigEndian(header, 28, 4);
    const bool countValid = bigEndian(header, 92, 4) == bigEndian(header, 24, 4);
    return !countValid || pageCount == 0 || fileSize >= pageCount * pageSize;
}

bool looksLikeHotJournal(const QString &path)
{
    QFile journal(path + QStringLiteral("-journal"));
    return journal.open(QIODevice::ReadOnly) && journal.read(kJournalMagic.size()) == kJournalMagic;
}

// One write's transaction. It takes the write lock at once, so that any wait for another writer
// comes before anything changes, and it is rolled back on every way out but a commit.
class WriteTransaction
{
public:
    explicit WriteTransaction(sqlite3 *db)
        : m_db(db)
        , m_beginResult(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr))
    {
    }
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;
    ~WriteTransaction()
    {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }

    int beginResult() const { return m_beginResult; }
    int commit() { return sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr); }

private:
    sqlite3 *m_db;
    int m_beginResult;
};

class SqliteTable : public TableSource
{
public:
    SqliteTable(std::shared_ptr<SqliteBackend> backend, sqlite3 *db, QString name, QStringList fields, QByteArray key)
        : m_backend(std::move(backend))
        , m_db(db)
        , m_name(std::move(name))
        , m_fields(std::move(fields))
        , m_key(std::move(key))
    {
    }

    const QString &name() const override { return m_name; }
    const QStringList &fieldNames() const override { return m_fields; }

    QList<qint64> keys() override
    {
        m_backend->startOperation();
        SqliteStatement stmt = everyRow(m_key);
        QList<qint64> keys;
        step(stmt, [&] { keys.append(sqlite3_column_int64(stmt.get(), 0)); });
        return keys;
    }

    FieldValue read(qint64 key, int field) override
    {
        m_backend->startOperation();
        sqlite3_stmt *stmt = cached(m_reads, field, "SELECT " + quotedIdentifier(m_fields[field]) + " FROM "
                                                         + quotedIdentifier(m_name) + " WHERE " + m_key + " = ?");
        sqlite3_bind_int64(stmt, 1, key);
        const int rc = sqlite3_step(stmt);
        FieldValue value = rc == SQLITE_ROW ? columnValue(stmt, 0) : std::nullopt;
        sqlite3_reset(stmt);
        if (rc == SQLITE_DONE) // the row was deleted by another program
            throw Error::noCurrentRecord(m_name);
        if (rc != SQLITE_ROW)
            m_backend->fail(rc);
        return value;
    }

    QList<FieldValue> readColumn(int field) override { return readColumns({field}).value(0); }

    QList<QList<FieldValue>> readColumns(const QList<int> &fields) override
    {
        m_backend->startOperation();
        SqliteStatement stmt = everyRow(fieldList(fields));
        return readAll(stmt, fields.size());
    }

    // Rows in stored order are rows in key order: a run of them is a range of keys. Rows another
    // program added or removed in the range since are read as they are now.
    QList<QList<FieldValue>> readRows(const QList<int> &fields, const QList<qint64> &keys) override
    {
        if (keys.isEmpty())
            return QList<QList<FieldValue>>(fields.size());
        m_backend->startOperation();
        SqliteStatement stmt(m_db, "SELECT " + fieldList(fields) + " FROM " + quotedIdentifier(m_name) + " WHERE "
                                       + m_key + " BETWEEN ? AND ? ORDER BY " + m_key);
        if (stmt.prepareResult() != SQLITE_OK)
            m_backend->fail(stmt.prepareResult());
        sqlite3_bind_int64(stmt.get(), 1, keys.first());
        sqlite3_bind_int64(stmt.get(), 2, keys.last());
        return readAll(stmt, fields.size());
    }

    void write(qint64 key, int field, const FieldValue &value) override
    {
        m_backend->startOperation();
        m_backend->checkWritable();
        // OR ABORT overrides a REPLACE conflict clause in the file, which would delete other rows.
        sqlite3_stmt *update = cached(m_updates, field, "UPDATE OR ABORT " + quotedIdentifier(m_name) + " SET "
                                                            + quotedIdentifier(m_fields[field]) + " = ? WHERE "
                                                            + m_key + " = ?");
        WriteTransaction transaction(m_db);
        if (transaction.beginResult() != SQLITE_OK)
            m_backend->fail(transaction.beginResult(), true);
        bindText(update, 1, value);
        sqlite3_bind_int64(update, 2, key);
        const sqlite3_int64 before = sqlite3_total_changes64(m_db);
        const int rc = sqlite3_step(update);
        const sqlite3_int64 changed = sqlite3_total_changes64(m_db) - before;
        sqlite3_reset(update);
        if (rc != SQLITE_DONE)
            failWrite(rc, field);
        if (changed != 1) // the row was deleted by another program
            throw Error::noCurrentRecord(m_name);
        if (const int committed = transaction.commit(); committed != SQLITE_OK)
            failWrite(committed, field);
    }

private:
    QByteArray fieldList(const QList<int> &fields) const
    {
        QByteArray list;
        for (const int field : fields)
            list += (list.isEmpty() ? "" : ", ") + quotedIdentifier(m_fields[field]);
        return list;
    }

    QList<QList<FieldValue>> readAll(SqliteStatement &stmt, qsizetype fieldCount)
    {
        QList<QList<FieldValue>> columns(fieldCount);
        step(stmt, [&] {
            for (int i = 0; i < int(fieldCount); ++i)
                columns[i].append(columnValue(stmt.get(), i));
        });
        return columns;
    }

    [[noreturn]] void failWrite(int rc, int field) const
    {
        if ((rc & 0xFF) == SQLITE_CONSTRAINT)
            throw constraintError(rc, field);
        m_backend->fail(rc, true);
    }

    Error constraintError(int rc, int field) const
    {
        switch (rc) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
        case SQLITE_CONSTRAINT_ROWID:
            return Error::constraint(DuplicateValue, m_backend->path(), m_name, m_fields[field]);
        case SQLITE_CONSTRAINT_NOTNULL:
            return Error::constraint(NullNotAllowed, m_backend->path(), m_name, m_fields[field]);
        default:
            return Error::constraint(ValidationFailed, m_backend->path(), m_name, m_fields[field]);
        }
    }

    SqliteStatement everyRow(const QByteArray &columns)
    {
        SqliteStatement stmt(m_db, "SELECT " + columns + " FROM " + quotedIdentifier(m_name) + " ORDER BY " + m_key);
        if (stmt.prepareResult() != SQLITE_OK)
            m_backend->fail(stmt.prepareResult());
        return stmt;
    }

    template<typename Row>
    void step(const SqliteStatement &stmt, Row row)
    {
        int rc;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
            row();
        if (rc != SQLITE_DONE)
            m_backend->fail(rc);
    }

    sqlite3_stmt *cached(std::unordered_map<int, SqliteStatement> &cache, int field, const QByteArray &sql)
    {
        auto it = cache.find(field);
        if (it == cache.end()) {
            SqliteStatement stmt(m_db, sql);
            if (stmt.prepareResult() != SQLITE_OK)
                m_backend->fail(stmt.prepareResult());
            it = cache.emplace(field, std::move(stmt)).first;
        }
        sqlite3_reset(it->second.get());
        return it->second.get();
    }

    std::shared_ptr<SqliteBackend> m_backend;
    sqlite3 *m_db; // owned by m_backend's connection
    QString m_name;
    QStringList m_fields;
    QByteArray m_key;
    std::unordered_map<int, SqliteStatement> m_reads;
    std::unordered_map<int, SqliteStatement> m_updates;
};

} // namespace

QByteArray quotedIdentifier(const QString &identifier)
{
    QByteArray utf8 = identifier.toUtf8();
    utf8.replace('"', "\"\"");
    return '"' + utf8 + '"';
}

void bindText(sqlite3_stmt *stmt, int index, const FieldValue &value)
{
    if (value) {
        const QByteArray utf8 = value->toUtf8();
        sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    } else {
        sqlite3_bind_null(stmt, index);
    }
}

// Every byte but the unreserved ones is escaped.
QByteArray immutableUri(const QString &path)
{
    const QByteArray local = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    QByteArray uri = "file:";
    for (const char c : local) {
        if (std::isalnum(uchar(c)) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~')
            uri += c;
        else
            uri += '%' + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
    }
    return uri + "?immutable=1";
}

void restrictConnection(sqlite3 *db)
{
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_FKEY, 0, nullptr);
}

QByteArray rowKeyName(const QStringList &columns)
{
    // SQLite matches identifiers without regard to ASCII case.
    const auto free = std::find_if(std::begin(kKeyNames), std::end(kKeyNames), [&](const char *key) {
        return std::none_of(columns.cbegin(), columns.cend(), [&](const QString &column) {
            return column.compare(QLatin1StringView(key), Qt::CaseInsensitive) == 0;
        });
    });
    return free == std::end(kKeyNames) ? QByteArray() : QByteArray(*free);
}

Error sqliteError(int code, const QString &path)
{
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Error::fileInUse(path);
    case SQLITE_FULL:
        return Error::diskFull(path);
    case SQLITE_IOERR:
        return Error::diskError(path);
    case SQLITE_READONLY:
        return Error::fileReadOnly(path);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
    case SQLITE_ERROR:
    case SQLITE_MISMATCH:
    case SQLITE_RANGE:
    case SQLITE_TOOBIG:
        return Error::unrecognizedFormat(path);
    default:
        return Error::cannotOpen(path);
    }
}

bool hasWritePermission(const QString &path)
{
    const QFile::Permissions p = QFile::permissions(path);
    // WriteUser is left out: it asks access(), which always grants the superuser.
    return p & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
}

SqliteConnection::SqliteConnection(const QByteArray &filename, int flags)
{
    m_result = sqlite3_open_v2(filename.constData(), &m_db, flags, nullptr);
    if (m_result != SQLITE_OK) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

SqliteConnection::SqliteConnection(SqliteConnection &&other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
    , m_result(other.m_result)
{
}

SqliteConnection &SqliteConnection::operator=(SqliteConnection &&other) noexcept
{
    std::swap(m_db, other.m_db);
    m_result = other.m_result;
    return *this;
}

SqliteConnection::~SqliteConnection()
{
    // Waits for statements still prepared on it instead of failing.
    sqlite3_close_v2(m_db);
}

int SqliteConnection::exec(const QByteArray &sql) const
{
    return m_db ? sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) : SQLITE_MISUSE;
}

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

std::shared_ptr<SqliteBackend> SqliteBackend::open(const QString &path, bool writable, const QByteArray &header,
                                                   qint64 fileSize)
{
    return std::shared_ptr<SqliteBackend>(new SqliteBackend(path, writable, header, fileSize));
}

SqliteBackend::SqliteBackend(const QString &path, bool writable, const QByteArray &header, qint64 fileSize)
    : m_path(path)
{
    // Opening is one operation: one lock wait and one time bound for all of it.
    startOperation();
    const OpenPlan plan = planOpen(m_path, writable, header);
    m_cannotWrite = plan.cannotWrite;
    m_mayBeIncomplete = plan.mayBeIncomplete;
    if (plan.checkLength && !lengthMatchesHeader(header, fileSize))
        throw Error::unrecognizedFormat(m_path);
    connect(plan.mode);
    try {
        readSchema();
    } catch (const Error &error) {
        // Only a journal this open may not roll back has a way round: reading the file as it lies.
        if (m_mode == OpenMode::AsItLies || error.number() != NeedsRecovery)
            throw;
        reopenAsItLies(writable, header, fileSize);
    }
    if (m_mode == OpenMode::ReadWrite) {
        // The schema is read, so this needs no lock and cannot wait a second time.
        const int rc = m_connection.exec("PRAGMA synchronous = FULL");
        if (rc != SQLITE_OK)
            fail(rc);
    }
}

SqliteBackend::~SqliteBackend() = default;

void SqliteBackend::setStatementTimeLimit(std::chrono::milliseconds limit)
{
    s_statementTimeLimit = limit;
}

SqliteBackend::OpenPlan SqliteBackend::planOpen(const QString &path, bool writable, const QByteArray &header)
{
    // Opening a write-ahead-log file makes a log and a lock file beside it. A read-only open never
    // makes files, and a writer cannot where the folder refuses them: both read the file as it
    // lies, and committed changes still in the log are then missing.
    const bool walMode = header.size() == kHeaderSize && (header[18] == 2 || header[19] == 2);
    const bool walHasFrames = walMode && QFileInfo(path + QStringLiteral("-wal")).size() > kWalHeaderSize;
    OpenPlan plan;
    if (!writable || !hasWritePermission(path)) {
        plan.mode = walMode ? OpenMode::AsItLies : OpenMode::ReadOnly;
        plan.cannotWrite = Error::fileReadOnly(path);
    } else if (walMode && !platform::folderWritable(path)) {
        plan.mode = OpenMode::AsItLies;
        plan.cannotWrite = Error::cannotLockFile(path);
    }
    plan.mayBeIncomplete = plan.mode == OpenMode::AsItLies && walHasFrames;
    // A log with changes, or a journal left by a crash, is SQLite's to replay or roll back when it
    // reads through them, and the length is right only after that.
    const bool pendingBeside = walMode ? walHasFrames : looksLikeHotJournal(path);
    plan.checkLength = plan.mode == OpenMode::AsItLies || !pendingBeside;
    return plan;
}

void SqliteBackend::connect(OpenMode mode)
{
    m_mode = mode;
    const bool asItLies = mode == OpenMode::AsItLies;
    const int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE
                      | (mode == OpenMode::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY)
                      | (asItLies ? SQLITE_OPEN_URI : 0);
    m_connection = SqliteConnection(asItLies ? immutableUri(m_path) : QFile::encodeName(m_path), flags);
    sqlite3 *db = m_connection.get();
    if (!db)
        throw Error::cannotOpen(m_path);
    sqlite3_extended_result_codes(db, 1);
    // The files come from anywhere, and no statement runs forever.
    restrictConnection(db);
    sqlite3_progress_handler(db, 1000, &SqliteBackend::onProgress, this);
    sqlite3_busy_handler(db, &SqliteBackend::onBusy, this);
}

// The retry when reading the schema met a journal left by an interrupted save that this open may
// not roll back: the file is read as it lies, without creating anything beside it, and what was
// read may be incomplete. A writer is told that the save must be recovered first.
void SqliteBackend::reopenAsItLies(bool writable, const QByteArray &header, qint64 fileSize)
{
    if (!lengthMatchesHeader(header, fileSize))
        throw Error::unrecognizedFormat(m_path);
    m_mayBeIncomplete = true;
    if (writable)
        m_cannotWrite = Error::needsRecovery(m_path);
    connect(OpenMode::AsItLies);
    readSchema();
}

void SqliteBackend::readSchema()
{
    SqliteStatement stmt(m_connection.get(), "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
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

    // Tables without row keys, and virtual ones, cannot be read row by row. Asked once for all
    // tables: asking per table would go through the whole list each time.
    QSet<QString> unsupported;
    SqliteStatement kinds(m_connection.get(), "SELECT name FROM pragma_table_list WHERE schema = 'main' "
                                              "AND (type <> 'table' OR wr)");
    if (kinds.prepareResult() != SQLITE_OK)
        fail(kinds.prepareResult());
    while ((rc = sqlite3_step(kinds.get())) == SQLITE_ROW)
        unsupported.insert(columnValue(kinds.get(), 0).value_or(QString()));
    if (rc != SQLITE_DONE)
        fail(rc);
    m_tables = names;
    m_unsupportedTables = unsupported;
}

void SqliteBackend::startOperation()
{
    m_deadline = Clock::now() + s_statementTimeLimit;
    m_lockWaited = {};
    m_timedOut = false;
}

int SqliteBackend::onProgress(void *self)
{
    auto *backend = static_cast<SqliteBackend *>(self);
    if (Clock::now() <= backend->m_deadline)
        return 0;
    backend->m_timedOut = true;
    return 1;
}

int SqliteBackend::onBusy(void *self, int count)
{
    auto *backend = static_cast<SqliteBackend *>(self);
    if (backend->m_lockWaited >= kLockWait)
        return 0;
    const auto start = Clock::now();
    std::this_thread::sleep_for(count < 20 ? 2ms : 20ms);
    const auto slept = Clock::now() - start;
    // Waiting for a lock is not running: the time bound moves on by the time waited.
    backend->m_lockWaited += slept;
    backend->m_deadline += slept;
    return 1;
}

void SqliteBackend::checkWritable() const
{
    if (m_cannotWrite)
        throw *m_cannotWrite;
}

void SqliteBackend::fail(int code, bool writing) const
{
    if (m_timedOut || (code & 0xFF) == SQLITE_INTERRUPT) {
        const int seconds = std::max(1, int(std::ceil(s_statementTimeLimit.count() / 1000.0)));
        throw Error::operationTooLong(m_path, seconds);
    }
    switch (code) {
    case SQLITE_READONLY_ROLLBACK:
        throw Error::needsRecovery(m_path);
    case SQLITE_READONLY_DBMOVED:
        throw Error::fileReplaced(m_path);
    case SQLITE_READONLY_DIRECTORY:
        throw Error::folderReadOnly(m_path);
    case SQLITE_READONLY_CANTINIT:
    case SQLITE_READONLY_CANTLOCK:
        throw Error::cannotLockFile(m_path);
    case SQLITE_IOERR_DELETE: // a journal that may not be removed from a read-only folder
        if (!platform::folderWritable(m_path))
            throw Error::folderReadOnly(m_path);
        break;
    default:
        break;
    }
    if ((code & 0xFF) == SQLITE_CANTOPEN && writing && !platform::folderWritable(m_path))
        throw Error::folderReadOnly(m_path);
    throw sqliteError(code, m_path);
}

QStringList SqliteBackend::tableNames()
{
    return m_tables;
}

std::unique_ptr<TableSource> SqliteBackend::openTable(const QString &name)
{
    startOperation();
    sqlite3 *db = m_connection.get();
    const QByteArray utf8 = name.toUtf8();
    const auto query = [&](const char *sql, auto row) {
        SqliteStatement stmt(db, sql);
        if (stmt.prepareResult() != SQLITE_OK)
            fail(stmt.prepareResult());
        sqlite3_bind_text(stmt.get(), 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
            row(stmt.get());
        if (rc != SQLITE_DONE)
            fail(rc);
    };

    if (name.startsWith(u"sqlite_", Qt::CaseInsensitive))
        throw Error::tableNotFound(m_path, name);
    if (m_unsupportedTables.contains(name))
        throw Error::unsupportedTable(m_path, name);

    // Hidden columns of virtual tables are left out; generated ones are fields like any other.
    QStringList fields;
    QStringList columns;
    query("SELECT name, hidden FROM pragma_table_xinfo(?)", [&](sqlite3_stmt *stmt) {
        const QString column = columnValue(stmt, 0).value_or(QString());
        columns.append(column);
        if (sqlite3_column_int(stmt, 1) != 1)
            fields.append(column);
    });
    if (columns.isEmpty())
        throw Error::tableNotFound(m_path, name);
    const QByteArray key = rowKeyName(columns);
    if (key.isEmpty())
        throw Error::unsupportedTable(m_path, name);
    return std::make_unique<SqliteTable>(shared_from_this(), db, name, fields, key);
}

} // namespace common
