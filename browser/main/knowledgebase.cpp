#include "knowledgebase.h"

#include "database.h"
#include "error.h"

#include <QElapsedTimer>

#include <algorithm>

namespace tamsel {

bool isKnowledgeTable(const QString &tableName)
{
    return !tableName.startsWith(u"MSys") && !tableName.startsWith(u"USys");
}

QString sectionTitle(const QString &tableName)
{
    return tableName.right(4);
}

namespace {

const QString kTitleField = QStringLiteral("目录");
const QString kDescriptionField = QStringLiteral("内容");

// Every knowledge table with its entries; with `descriptions` false only the titles are read.
QList<KnowledgeSection> readSections(common::Database &db, bool descriptions)
{
    QList<KnowledgeSection> sections;
    for (const QString &table : db.tableNames()) {
        if (!isKnowledgeTable(table))
            continue;
        KnowledgeSection section{sectionTitle(table), {}, table};
        const auto records = db.openRecordset(table);
        // Both fields of every record in one pass; the fields are only asked for when a record
        // exists, as a walk over the records would.
        if (records->recordCount() > 0) {
            QList<QList<common::FieldValue>> columns;
            if (descriptions) {
                columns = records->columns({kTitleField, kDescriptionField});
            } else {
                columns = records->columns({kTitleField});
                if (!records->hasField(kDescriptionField))
                    throw common::Error::fieldNotFound(table, kDescriptionField);
            }
            section.entries.reserve(columns[0].size());
            for (qsizetype i = 0; i < columns[0].size(); ++i) {
                section.entries.append({columns[0][i].value_or(QString()),
                                        descriptions ? columns[1][i].value_or(QString()) : QString()});
            }
        }
        sections.append(std::move(section));
    }
    return sections;
}

} // namespace

QList<KnowledgeSection> readKnowledgeBase(common::Database &db)
{
    return readSections(db, true);
}

QList<KnowledgeSection> readKnowledgeTitles(common::Database &db)
{
    return readSections(db, false);
}

namespace {

// Rows read in one go: small enough that a slice ends close to its budget.
constexpr int kRowsPerRead = 1000;

common::Error changedWhileRead(const QString &path)
{
    return common::Error(common::UnrecognizedFormat,
                         QStringLiteral("数据库“%1”在读取时被更改或替换，其中的内容无法与已显示的目录对应。").arg(path));
}

} // namespace

DescriptionReader::DescriptionReader(common::Database &db, QList<KnowledgeSection> sections)
    : m_db(db)
    , m_sections(std::move(sections))
{
}

DescriptionReader::~DescriptionReader() = default;

bool DescriptionReader::readFor(qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    // At least one run of rows, however small the budget.
    while (!done()) {
        KnowledgeSection &section = m_sections[m_section];
        if (!m_records && !section.entries.isEmpty()) {
            m_records = m_db.openRecordset(section.table);
            if (m_records->recordCount() != section.entries.size())
                throw changedWhileRead(m_db.path());
        }
        if (m_row < section.entries.size()) {
            const QList<QList<common::FieldValue>> rows
                = m_records->columns({kTitleField, kDescriptionField}, m_row, kRowsPerRead);
            const qsizetype count = std::min<qsizetype>(kRowsPerRead, section.entries.size() - m_row);
            if (rows[0].size() != count)
                throw changedWhileRead(m_db.path());
            for (qsizetype i = 0; i < count; ++i) {
                KnowledgeEntry &entry = section.entries[m_row + i];
                if (rows[0][i].value_or(QString()) != entry.title)
                    throw changedWhileRead(m_db.path());
                entry.description = rows[1][i].value_or(QString());
            }
            m_row += int(count);
        }
        if (m_row >= section.entries.size()) {
            m_records.reset();
            m_row = 0;
            ++m_section;
        }
        if (clock.elapsed() >= budgetMs)
            break;
    }
    return done();
}

NodeDescriptions::NodeDescriptions()
{
    m_slots.resize(100);
}

QString NodeDescriptions::at(int nodeIndex) const
{
    const int slot = nodeIndex - 1;
    return slot >= 0 && slot < m_slots.size() ? m_slots[slot] : QString();
}

void NodeDescriptions::set(int nodeIndex, const QString &text)
{
    const int slot = nodeIndex - 1;
    if (slot < 0)
        return;
    if (slot >= m_slots.size())
        m_slots.resize(slot + 1);
    m_slots[slot] = text;
}

} // namespace tamsel
