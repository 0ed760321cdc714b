#pragma once

#include "backend.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

namespace common {

class Recordset;

// An open database file. The format is told by the file's first bytes. Its recordsets share the
// open file with it: each may be used after the Database object itself is gone.
class Database
{
public:
    enum class Access { ReadOnly, ReadWrite };

    // Throws Error: 3024 missing, 3343 not a database (empty, truncated, random bytes, a folder),
    // 3051 cannot be read, 3045 locked by another program, 3035 reading it takes too long. Writes
    // through its recordsets report why they failed by number (see ErrorNumber).
    static std::unique_ptr<Database> open(const QString &path, Access access);
    // Whether a file starting with these bytes is stored as SQLite 3.
    static bool hasSqliteHeader(QByteArrayView header);
    ~Database();

    const QString &path() const { return m_path; }
    // Read once when the file opens.
    const QStringList &tableNames() const { return m_tables; }
    // Table names are matched without regard to case; an exact match wins. Throws Error 3078
    // when the table does not exist.
    std::unique_ptr<Recordset> openRecordset(const QString &table);
    // True when the file was read as it lies although an interrupted change of another program
    // was found beside it: what was read may be incomplete (see incompleteDataWarning()).
    bool mayBeIncomplete() const { return m_backend->mayBeIncomplete(); }

private:
    Database(QString path, std::shared_ptr<Backend> backend);

    QString m_path;
    std::shared_ptr<Backend> m_backend;
    QStringList m_tables;
    QSet<QString> m_tableSet;
    QHash<QString, QString> m_tablesByFoldedName; // the first table of each case-folded name
};

// A cursor over the rows of one table in stored order. The set of rows is fixed when it opens;
// field values are read from the file when asked for, so they show what other writers saved.
class Recordset
{
public:
    explicit Recordset(std::unique_ptr<TableSource> source);

    const QString &tableName() const { return m_source->name(); }
    int recordCount() const { return int(m_keys.size()); }
    // Bookmarks of every row in stored order.
    const QList<qint64> &bookmarks() const { return m_keys; }

    // Before the first row / after the last. Both hold for an empty table.
    bool bof() const { return m_pos < 0 || m_keys.isEmpty(); }
    bool eof() const { return m_pos >= m_keys.size() || m_keys.isEmpty(); }
    bool hasCurrent() const { return !bof() && !eof(); }

    // moveFirst/moveLast throw 3021 on an empty table; moveNext at EOF and movePrevious at BOF
    // throw 3021, as stepping from the last row to EOF (or the first to BOF) does not.
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();

    // Zero-based position of the current row, -1 without one.
    int absolutePosition() const { return hasCurrent() ? int(m_pos) : -1; }
    // Makes row `position` current; throws 3021 when there is no such row.
    void setAbsolutePosition(int position);

    qint64 bookmark() const; // throws 3021 without a current row
    void setBookmark(qint64 bookmark); // throws 3021 for an unknown bookmark

    const QStringList &fieldNames() const { return m_source->fieldNames(); }
    // Field names are matched without regard to case; an exact match wins.
    bool hasField(const QString &name) const { return findField(name) >= 0; }
    // Throws 3265 for an unknown field and 3021 without a current row.
    FieldValue field(const QString &name) const;
    QString text(const QString &name) const { return field(name).value_or(QString()); }
    // Sets a field of the current row and saves it at once; the change is on disk on return.
    void setField(const QString &name, const FieldValue &value);

    // One field of every row in stored order, read in one pass (for filling lists).
    QList<FieldValue> column(const QString &name) const;
    // Several fields of every row, one list per field in the order asked, read in one pass.
    QList<QList<FieldValue>> columns(const QStringList &names) const;
    // The same for `count` rows from zero-based row `first` on, for reading a large table a part
    // at a time. The rows are read as the file holds them now.
    QList<QList<FieldValue>> columns(const QStringList &names, int first, int count) const;

private:
    int findField(const QString &name) const;
    int fieldIndex(const QString &name) const;
    QList<int> fieldIndexes(const QStringList &names) const;
    qint64 currentKey() const;

    std::unique_ptr<TableSource> m_source;
    QList<qint64> m_keys;
    bool m_keysAscending;
    qsizetype m_pos = 0;
};

} // namespace common
