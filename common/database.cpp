#include "database.h"

#include "error.h"
#include "jetbackend.h"
#include "sqlitebackend.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace common {

namespace {

constexpr QByteArrayView kSqliteMagic("SQLite format 3\0", 16);
constexpr qsizetype kHeaderSize = 100;

// Jet files name their engine at offset 4 and give its version at 0x14.
bool isJetHeader(QByteArrayView header)
{
    if (header.size() < 0x15)
        return false;
    const QByteArrayView engine = header.sliced(4, 15);
    const auto version = quint8(header[0x14]);
    return (engine == QByteArrayView("Standard Jet DB") && version <= 1)
           || (engine == QByteArrayView("Standard ACE DB") && version >= 2 && version <= 6);
}

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
    file.close();

    if (header.size() == kHeaderSize && QByteArrayView(header).startsWith(kSqliteMagic)) {
        auto backend = std::make_unique<SqliteBackend>(path, access == Access::ReadWrite);
        return std::unique_ptr<Database>(new Database(path, std::move(backend)));
    }
    if (isJetHeader(header))
        return std::unique_ptr<Database>(new Database(path, std::make_unique<JetBackend>(path)));
    throw Error::unrecognizedFormat(path);
}

Database::Database(QString path, std::unique_ptr<Backend> backend)
    : m_path(std::move(path))
    , m_backend(std::move(backend))
{
}

Database::~Database() = default;

QStringList Database::tableNames()
{
    return m_backend->tableNames();
}

std::unique_ptr<Recordset> Database::openRecordset(const QString &table)
{
    return std::make_unique<Recordset>(m_backend->openTable(table));
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

int Recordset::fieldIndex(const QString &name) const
{
    const qsizetype index = m_source->fieldNames().indexOf(name);
    if (index < 0)
        throw Error::fieldNotFound(tableName(), name);
    return int(index);
}

qint64 Recordset::currentKey() const
{
    if (!hasCurrent())
        throw Error::noCurrentRecord(tableName());
    return m_keys[m_pos];
}

} // namespace common
