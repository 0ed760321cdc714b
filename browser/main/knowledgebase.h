#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace common {
class Database;
}

namespace tamsel {

struct KnowledgeEntry
{
    QString title;       // "目录"
    QString description; // "内容"
};

struct KnowledgeSection
{
    QString title; // the last four characters of the table name
    QList<KnowledgeEntry> entries;
    QString table;
};

// A table is a knowledge table unless its name begins with "MSys" or "USys" (case-sensitive).
bool isKnowledgeTable(const QString &tableName);
// The section title: the last four characters of the table name, or the whole of a shorter name.
QString sectionTitle(const QString &tableName);

// Reads every knowledge table of the knowledge database in the file's table order, each with its
// records in stored order. A null title or description reads as empty text. Throws common::Error.
QList<KnowledgeSection> readKnowledgeBase(common::Database &db);
// The same in two steps, so that a tree can be shown before the descriptions are read: first
// every entry with its title and an empty description (a table lacking either field fails here
// already), then the descriptions of those entries. Both throw common::Error.
QList<KnowledgeSection> readKnowledgeTitles(common::Database &db);
void readKnowledgeDescriptions(common::Database &db, QList<KnowledgeSection> &sections);

// Description texts indexed by tree-node index (1-based creation order). It starts with 100
// empty slots and grows with the tree; nothing ever clears it, so a later tree overwrites only
// the slots it writes.
class NodeDescriptions
{
public:
    NodeDescriptions();

    QString at(int nodeIndex) const;
    void set(int nodeIndex, const QString &text);
    int size() const { return int(m_slots.size()); }

private:
    QStringList m_slots;
};

} // namespace tamsel
