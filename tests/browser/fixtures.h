#pragma once

// Data files of a program folder for the browser tests, written by the shared SQLite writer,
// apart from the record layer under test.

#include "error.h"
#include "sqlitewriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

namespace fixtures {

// One table; a null QString in a row is stored as a null value.
struct Table
{
    QString name;
    QStringList fields;
    QList<QStringList> rows;
};

// Creates the database file with its tables in the given order, rows in the given order.
inline bool writeDatabase(const QString &path, const QList<Table> &tables)
{
    QFile::remove(path);
    QList<common::TableData> data;
    for (const Table &table : tables) {
        common::TableData &written = data.emplaceBack(common::TableData{table.name, table.fields, {}});
        for (const QStringList &row : table.rows) {
            common::TableRow &values = written.rows.emplaceBack();
            for (const QString &value : row)
                values.append(value.isNull() ? common::FieldValue() : common::FieldValue(value));
        }
    }
    try {
        common::createSqliteFile(path, data);
        return true;
    } catch (const common::Error &error) {
        qWarning("%s", error.what());
        return false;
    }
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
