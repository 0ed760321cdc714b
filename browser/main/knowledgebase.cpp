#include "knowledgebase.h"

#include "database.h"
#include "error.h"

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

void readKnowledgeDescriptions(common::Database &db, QList<KnowledgeSection> &sections)
{
    for (KnowledgeSection &section : sections) {
        if (section.entries.isEmpty())
            continue;
        const QList<common::FieldValue> texts = db.openRecordset(section.table)->column(kDescriptionField);
        // A file changed in between gives what it holds now, entry by entry as far as both go.
        for (qsizetype i = 0; i < std::min(texts.size(), section.entries.size()); ++i)
            section.entries[i].description = texts[i].value_or(QString());
    }
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
