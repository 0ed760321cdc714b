#pragma once

#include "backend.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace common {

class Recordset;

// An open database file. The format is told by the file's first bytes.
class Database
{
public:
    enum class Access { ReadOnly, ReadWrite };

    // Throws Error: 3024 missing, 3343 not a database (empty, truncated, random bytes, a folder),
    // 3051 cannot be read.
    static std::unique_ptr<Database> open(const QString &path, Access access);
    ~Database();

    const QString &path() const { return m_path; }
    QStringList tableNames();
    // Throws Error 3078 when the table does not exist.
    std::unique_ptr<Recordset> openRecordset(const QString &table);

private:
    Database(QString path, std::unique_ptr<Backend> backend);

    QString m_path;
    std::unique_ptr<Backend> m_backend;
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
    bool hasField(const QString &name) const { return m_source->fieldNames().contains(name); }
    // Throws 3265 for an unknown field and 3021 without a current row.
    FieldValue field(const QString &name) const;
    QString text(const QString &name) const { return field(name).value_or(QString()); }
    // Sets a field of the current row and saves it at once; the change is on disk on return.
    void setField(const QString &name, const FieldValue &value);

    // One field of every row in stored order, read in one pass (for filling lists).
    QList<FieldValue> column(const QString &name) const;

private:
    int fieldIndex(const QString &name) const;
    qint64 currentKey() const;

    std::unique_ptr<TableSource> m_source;
    QList<qint64> m_keys;
    bool m_keysAscending;
    qsizetype m_pos = 0;
};

} // namespace common
