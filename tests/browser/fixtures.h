#pragma once

// Data files of a program folder for the browser tests, written through SQLite directly, apart
// from the record layer under test.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

#include <sqlite3.h>

namespace fixtures {

// One table; a null QString in a row is stored as a null value.
struct Table
{
    QString name;
    QStringList fields;
    QList<QStringList> rows;
};

inline QByteArray quoted(const QString &identifier)
{
    return '"' + identifier.toUtf8().replace('"', "\"\"") + '"';
}

// Creates the database file with its tables in the given order, rows in the given order.
inline bool writeDatabase(const QString &path, const QList<Table> &tables)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK;
    for (const Table &table : tables) {
        QByteArray columns, marks;
        for (const QString &field : table.fields) {
            columns += (columns.isEmpty() ? "" : ", ") + quoted(field) + " TEXT";
            marks += marks.isEmpty() ? "?" : ", ?";
        }
        const QByteArray create = "CREATE TABLE " + quoted(table.name) + " (" + columns + ")";
        ok = ok && sqlite3_exec(db, create.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
        const QByteArray insert = "INSERT INTO " + quoted(table.name) + " VALUES (" + marks + ")";
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (const QStringList &row : table.rows) {
            sqlite3_stmt *stmt = nullptr;
            ok = ok && sqlite3_prepare_v2(db, insert.constData(), -1, &stmt, nullptr) == SQLITE_OK;
            for (int i = 0; ok && i < row.size(); ++i) {
                if (row[i].isNull())
                    sqlite3_bind_null(stmt, i + 1);
                else
                    sqlite3_bind_text(stmt, i + 1, row[i].toUtf8().constData(), -1, SQLITE_TRANSIENT);
            }
            ok = ok && sqlite3_step(stmt) == SQLITE_DONE;
            sqlite3_finalize(stmt);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    return ok;
}

// Writes the bytes to the file, creating its folders.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Bytes that no database engine takes for a database.
inline QByteArray randomBytes()
{
    QByteArray bytes(4096, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919 + 13) % 251);
    return bytes;
}

} // namespace fixtures
