#pragma once

#include "backend.h"
#include "error.h"

#include <QHash>

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

// A new file that could not be written, told apart from a file it is made from that could not
// be read: the first is the fault of the place written to.
class WriteFailure : public Error
{
public:
    explicit WriteFailure(const Error &error)
        : Error(error)
    {
    }
};

// Creates a new database file at `path` holding exactly these tables in this order, every field
// a text field, and syncs it to disk before returning. `path` must not exist yet. Throws Error
// naming the file (a WriteFailure); a file that could not be written completely is removed.
void createSqliteFile(const QString &path, const QList<TableData> &tables);

// Writes the tables beside `path` and renames the complete file over it, so that `path` always
// holds either the old file or the whole new one.
void replaceWithSqliteFile(const QString &path, const QList<TableData> &tables);

// Every table of an open database with all its rows, in the file's order: what the writer needs
// to copy it. A field a row lacks is NULL. Throws Error.
QList<TableData> readTables(Database &db);

// Copies the SQLite database `source` page by page into a new file `target` through SQLite's
// backup interface, so that changes committed to a write-ahead log beside the source come over
// too; the copy keeps its data in the one file (rollback journal) and is synced to disk. The
// source is only read, and nothing is created beside it in a folder without write permission.
// Throws Error naming `source` when it cannot be read, WriteFailure naming `target` when the
// copy cannot be written; an incomplete copy is removed.
void backupSqliteFile(const QString &source, const QString &target);

// Changes a file this program has just written and nothing else uses yet, in one transaction
// synced to disk: sets `field` of `table` in the rows at the given positions (0-based, in stored
// order), and writes `own`, a table of the program's own, replacing one of that name. Throws
// Error naming the file.
void updateSqliteFile(const QString &path, const QString &table, const QString &field,
                      const QHash<int, FieldValue> &valuesByPosition, const TableData &own);

} // namespace common
