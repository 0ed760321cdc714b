#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace common {
class Database;
class Recordset;
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

// The second step a part at a time, so that the window keeps answering while a large knowledge
// base is read. Each description is read together with its entry's title, and a title that is no
// longer the one read first (the file was changed or replaced in between) fails the read with
// Error 3343 naming the file: a description is never put under another entry's title.
class DescriptionReader
{
public:
    // `db` must outlive the reader.
    DescriptionReader(common::Database &db, QList<KnowledgeSection> sections);
    ~DescriptionReader();

    // Reads on until every description is read or `budgetMs` milliseconds have passed; true once
    // all are read. Throws common::Error.
    bool readFor(qint64 budgetMs);
    bool done() const { return m_section >= m_sections.size(); }
    const QList<KnowledgeSection> &sections() const { return m_sections; }

private:
    common::Database &m_db;
    QList<KnowledgeSection> m_sections;
    qsizetype m_section = 0;
    int m_row = 0;
    std::unique_ptr<common::Recordset> m_records; // of the section being read
};

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
