#pragma once

#include "backend.h"

#include <QHash>
#include <QString>

#include <optional>

namespace quorvi {

// The installed bank a per-user copy was made from, as it was then.
struct BankStamp
{
    qint64 size = -1;
    qint64 modified = -1; // nanoseconds since the epoch
    QString digest;       // of the questions and standard answers, in stored order

    bool sameSizeAndTime(const BankStamp &other) const { return size == other.size && modified == other.modified; }
};

// The user's answers a fresh copy takes over from the copy it replaces.
struct CarriedAnswers
{
    QHash<int, common::FieldValue> byPosition; // rows of the fresh copy's question table
    int kept = 0; // answers that reached a question of unchanged text
    int left = 0; // answers whose question was changed or removed; they stay in the old copy
};

// What a per-user copy of the question bank holds beyond the installed bank's tables: a table
// of its own recording the installed bank it came from, and the answers carried over from an
// older copy. The question tables keep their names, fields and record order.
class BankCopy
{
public:
    static QString sourceTable();

    // The file's size and modification time now, without a digest.
    static BankStamp fileStamp(const QString &path);
    // The questions and standard answers of a bank in stored order; a NULL differs from an empty
    // text.
    static QString questionDigest(const QString &bank);
    // What `copy` records of its source; nothing for a copy that records none (made before
    // copies recorded their source, or from an older layout).
    static std::optional<BankStamp> recorded(const QString &copy);
    // Records a new size and modification time of a source whose questions are unchanged.
    static void restamp(const QString &copy, const BankStamp &stamp);

    // Pairs the questions of the two copies by unchanged text, repeated texts in their order, and
    // takes each paired question's answer from the old copy.
    static CarriedAnswers carry(const QString &oldCopy, const QString &freshCopy);
    // Writes the carried answers and the record of `source` into a fresh copy no one uses yet,
    // in one step synced to disk.
    static void complete(const QString &freshCopy, const CarriedAnswers &answers, const QString &source,
                         const BankStamp &stamp);
};

} // namespace quorvi
