#include "database.h"

#include "error.h"
#include "jetbackend.h"
#include "sqlitebackend.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace common {

namespace {

constexpr qsizetype kHeaderSize = 100;

} // namespace

std::unique_ptr<Database> Database::open(const QString &path, Access access)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Error::databaseNotFound(path);
    if (!info.isFile())
        throw Error::unrecognizedFormat(path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error::cannotOpen(path);
    const QByteArray header = file.read(kHeaderSize);
    const qint64 size = file.size();
    file.close();

    if (header.size() == kHeaderSize && hasSqliteHeader(header)) {
        auto backend = SqliteBackend::open(path, access == Access::ReadWrite, header, size);
        return std::unique_ptr<Database>(new Database(path, std::move(backend)));
    }
    if (JetBackend::hasJetHeader(header))
        return std::unique_ptr<Database>(new Database(path, std::make_unique<JetBackend>(path)));
    throw Error::unrecognizedFormat(path);
}

bool Database::hasSqliteHeader(QByteArrayView header)
{
    return header.startsWith(QByteArrayView("SQLite format 3\0", 16));
}

Database::Database(QString path, std::shared_ptr<Backend> backend)
    : m_path(std::move(path))
    , m_backend(std::move(backend))
    , m_tables(m_backend->tableNames())
{
    for (const QString &table : std::as_const(m_tables)) {
        m_tableSet.insert(table);
        const QString folded = table.toCaseFolded();
        if (!m_tablesByFoldedName.contains(folded))
            m_tablesByFoldedName.insert(folded, table);
    }
}

Database::~Database() = default;

std::unique_ptr<Recordset> Database::openRecordset(const QString &table)
{
    if (m_tableSet.contains(table))
        return std::make_unique<Recordset>(m_backend->openTable(table));
    const auto it = m_tablesByFoldedName.constFind(table.toCaseFolded());
    if (it == m_tablesByFoldedName.cend())
        throw Error::tableNotFound(m_path, table);
    return std::make_unique<Recordset>(m_backend->openTable(it.value()));
}

Recordset::Recordset(std::unique_ptr<TableSource> source)
    : m_source(std::move(source))
    , m_keys(m_source->keys())
    , m_keysAscending(std::is_sorted(m_keys.cbegin(), m_keys.cend()))
{
}

void Recordset::moveFirst()
{
    if (m_keys.isEmpty())
        throw Error::noCurrentRecord(tableName());
    m_pos = 0;
}

void Recordset::moveLast()
{
    if (m_keys.isEmpty())
        throw Error::noCurrentRecord(tableName());
    m_pos = m_keys.size() - 1;
}

void Recordset::moveNext()
{
    if (eof())
        throw Error::noCurrentRecord(tableName());
    ++m_pos;
}

void Recordset::movePrevious()
{
    if (bof())
        throw Error::noCurrentRecord(tableName());
    --m_pos;
}

void Recordset::setAbsolutePosition(int position)
{
    if (position < 0 || position >= m_keys.size())
        throw Error::noCurrentRecord(tableName());
    m_pos = position;
}

qint64 Recordset::bookmark() const
{
    return currentKey();
}

void Recordset::setBookmark(qint64 bookmark)
{
    // Keys in stored order are usually ascending (SQLite's rowids are), so a click on the last
    // of many rows costs no more than one on the first.
    qsizetype index = -1;
    if (m_keysAscending) {
        const auto it = std::lower_bound(m_keys.cbegin(), m_keys.cend(), bookmark);
        if (it != m_keys.cend() && *it == bookmark)
            index = it - m_keys.cbegin();
    } else {
        index = m_keys.indexOf(bookmark);
    }
    if (index < 0)
        throw Error::noCurrentRecord(tableName());
    m_pos = index;
}

FieldValue Recordset::field(const QString &name) const
{
    const int index = fieldIndex(name);
    return m_source->read(currentKey(), index);
}

void Recordset::setField(const QString &name, const FieldValue &value)
{
    const int index = fieldIndex(name);
    m_source->write(currentKey(), index, value);
}

QList<FieldValue> Recordset::column(const QString &name) const
{
    return m_source->readColumn(fieldIndex(name));
}

QList<int> Recordset::fieldIndexes(const QStringList &names) const
{
    QList<int> fields;
    for (const QString &name : names)
        fields.append(fieldIndex(name));
    return fields;
}

QList<QList<FieldValue>> Recordset::columns(const QStringList &names) const
{
    return m_source->readColumns(fieldIndexes(names));
}

QList<QList<FieldValue>> Recordset::columns(const QStringList &names, int first, int count) const
{
    const QList<int> fields = fieldIndexes(names);
    first = std::clamp(first, 0, recordCount());
    count = std::clamp(count, 0, recordCount() - first);
    return m_source->readRows(fields, m_keys.mid(first, count));
}

int Recordset::findField(const QString &name) const
{
    const QStringList &fields = m_source->fieldNames();
    qsizetype index = fields.indexOf(name);
    for (qsizetype i = 0; index < 0 && i < fields.size(); ++i) {
        if (fields[i].compare(name, Qt::CaseInsensitive) == 0)
            index = i;
    }
    return int(index);
}

int Recordset::fieldIndex(const QString &name) const
{
    const int index = findField(name);
    if (index < 0)
        throw Error::fieldNotFound(tableName(), name);
    return index;
}

qint64 Recordset::currentKey() const
{
    if (!hasCurrent())
        throw Error::noCurrentRecord(tableName());
    return m_keys[m_pos];
}

} // namespace common
