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
        auto records = db.openRecordset(table);
        if (records->recordCount() > 0)
            records->moveFirst();
        while (!records->eof()) {
            section.entries.append({records->text(QStringLiteral("目录")),
                                    records->text(QStringLiteral("内容"))});
            records->moveNext();
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
