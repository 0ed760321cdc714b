#include "knowledgebase.h"

#include "database.h"

namespace tamsel {

bool isKnowledgeTable(const QString &tableName)
{
    return !tableName.startsWith(u"MSys") && !tableName.startsWith(u"USys");
}

QString sectionTitle(const QString &tableName)
{
    return tableName.right(4);
}

QList<KnowledgeSection> readKnowledgeBase(common::Database &db)
{
    QList<KnowledgeSection> sections;
    for (const QString &table : db.tableNames()) {
        if (!isKnowledgeTable(table))
            continue;
        KnowledgeSection section{sectionTitle(table), {}};
        const auto records = db.openRecordset(table);
        // Both fields of every record in one pass; the fields are only asked for when a record
        // exists, as a walk over the records would.
        if (records->recordCount() > 0) {
            const auto columns = records->columns({QStringLiteral("目录"), QStringLiteral("内容")});
            section.entries.reserve(columns[0].size());
            for (qsizetype i = 0; i < columns[0].size(); ++i)
                section.entries.append({columns[0][i].value_or(QString()), columns[1][i].value_or(QString())});
        }
        sections.append(std::move(section));
    }
    return sections;
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
