#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace common {

using FieldValue = std::optional<QString>; // nullopt is a field that holds no value

// One table of an open database file, as a storage format provides it. Rows are addressed by
// keys; the cursor semantics live in Recordset, so every format shares them.
class TableSource
{
public:
    virtual ~TableSource() = default;

    virtual const QString &name() const = 0;
    virtual const QStringList &fieldNames() const = 0;
    // Keys of the rows in stored order.
    virtual QList<qint64> keys() = 0;
    virtual FieldValue read(qint64 key, int field) = 0;
    // Values of one field for every row, in stored order, in one pass.
    virtual QList<FieldValue> readColumn(int field) = 0;
    // Values of several fields for every row, one list per field, in stored order. A format that
    // can read them in one pass overrides this.
    virtual QList<QList<FieldValue>> readColumns(const QList<int> &fields)
    {
        QList<QList<FieldValue>> columns;
        for (const int field : fields)
            columns.append(readColumn(field));
        return columns;
    }
    // Values of several fields for the rows of `keys`, a run of consecutive rows in stored order,
    // one list per field, read in one pass.
    virtual QList<QList<FieldValue>> readRows(const QList<int> &fields, const QList<qint64> &keys) = 0;
    // Writes one field of one row and returns once the change is on disk.
    virtual void write(qint64 key, int field, const FieldValue &value) = 0;
};

// An open database file in one storage format.
class Backend
{
public:
    virtual ~Backend() = default;

    // Table definitions in the file's own order, without the format's internal tables.
    virtual QStringList tableNames() = 0;
    virtual std::unique_ptr<TableSource> openTable(const QString &name) = 0;
    // True when the file was read as it lies on disk although an interrupted or pending change of
    // another program was found beside it, so what was read may be incomplete.
    virtual bool mayBeIncomplete() const { return false; }
};

} // namespace common
