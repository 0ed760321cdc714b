#include "databasewriter.h"

#include <QFile>

#include <sqlite3.h>

namespace datac {

namespace {

QByteArray quoted(const QString &identifier)
{
    QByteArray utf8 = identifier.toUtf8();
    utf8.replace('"', "\"\"");
    return '"' + utf8 + '"';
}

class Connection
{
public:
    explicit Connection(const QString &path)
    {
        m_rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    }
    ~Connection() { sqlite3_close(m_db); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }
    sqlite3 *get() const { return m_db; }

    bool exec(const QByteArray &sql) { return sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK; }

private:
    sqlite3 *m_db = nullptr;
    int m_rc = SQLITE_OK;
};

bool insertRows(Connection &db, const TableData &table)
{
    QByteArray sql = "INSERT INTO " + quoted(table.name) + " VALUES (";
    for (qsizetype i = 0; i < table.fields.size(); ++i)
        sql += i == 0 ? "?" : ", ?";
    sql += ")";
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK)
        return false;
    bool ok = true;
    for (const Row &row : table.rows) {
        sqlite3_reset(stmt);
        for (int i = 0; i < int(table.fields.size()); ++i) {
            const std::optional<QString> value = i < row.size() ? row[i] : std::nullopt;
            if (value) {
                const QByteArray utf8 = value->toUtf8();
                sqlite3_bind_text(stmt, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_null(stmt, i + 1);
            }
        }
        if (sqlite3_step(stmt) != SQLITE_DONE) {
            ok = false;
            break;
        }
    }
    sqlite3_finalize(stmt);
    return ok;
}

} // namespace

std::optional<QString> writeDatabase(const QString &path, const QList<TableData> &tables)
{
    const QString temporary = path + QStringLiteral(".part");
    QFile::remove(temporary);
    {
        Connection db(temporary);
        if (!db.ok())
            return QStringLiteral("%1: cannot be created: %2").arg(temporary, db.error());
        // The rollback journal (not WAL) keeps each database one self-contained file.
        bool ok = db.exec("PRAGMA journal_mode = DELETE") && db.exec("BEGIN");
        for (const TableData &table : tables) {
            QByteArray sql = "CREATE TABLE " + quoted(table.name) + " (";
            for (qsizetype i = 0; i < table.fields.size(); ++i)
                sql += (i == 0 ? "" : ", ") + quoted(table.fields[i]) + " TEXT";
            sql += ")";
            ok = ok && db.exec(sql) && insertRows(db, table);
        }
        ok = ok && db.exec("COMMIT");
        if (!ok) {
            const QString error = db.error();
            QFile::remove(temporary);
            return QStringLiteral("%1: cannot be written: %2").arg(path, error);
        }
    }
    QFile::remove(path);
    if (!QFile::rename(temporary, path))
        return QStringLiteral("%1: cannot be replaced").arg(path);
    return std::nullopt;
}

} // namespace datac
