#pragma once

#include "backend.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace common {

class Database;

using TableRow = QList<FieldValue>;

// One table to be written: its name, its text fields and its rows in stored order.
struct TableData
{
    QString name;
    QStringList fields;
    QList<TableRow> rows;
};

// Creates a new database file at `path` holding exactly these tables in this order, every field
// a text field, and syncs it to disk before returning. `path` must not exist yet. Throws Error
// naming the file; a file that could not be written completely is removed.
void createSqliteFile(const QString &path, const QList<TableData> &tables);

// Writes the tables beside `path` and renames the complete file over it, so that `path` always
// holds either the old file or the whole new one.
void replaceWithSqliteFile(const QString &path, const QList<TableData> &tables);

// Every table of an open database with all its rows, in the file's order: what the writer needs
// to copy it. A field a row lacks is NULL. Throws Error.
QList<TableData> readTables(Database &db);

} // namespace common
