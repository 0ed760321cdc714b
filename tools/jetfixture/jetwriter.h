#pragma once

#include "sqlitewriter.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

namespace jetfixture {

using common::TableData;

enum class JetVersion { Jet3, Jet4 };

// The storage type of one column. Auto picks Text when every value fits 255 characters (Jet 3:
// 255 bytes in code page 936), Memo otherwise. A Guid value is written as {8-4-4-4-12} text.
enum class ColumnKind { Auto, Text, Memo, Long, Guid };

// Deliberate faults, for testing how readers cope with damaged files.
enum class Damage {
    None,
    EmptyUsageMap, // the first table's usage map row has no bytes at all
    SelfPointingLongValue, // the first long memo is a chain whose link points at itself
};

// One table and how its rows are to be stored.
struct JetTable
{
    TableData data;
    QList<ColumnKind> kinds; // per field; missing entries are Auto
    QSet<int> overflowRows; // rows left as a stub pointing to a later overflow page
    QSet<int> deletedBefore; // rows preceded by a deleted row on the same page
};

struct JetOptions
{
    JetVersion version = JetVersion::Jet4;
    int codePage = 936; // written in the header of a Jet 3 file; its text is always code page 936
    Damage damage = Damage::None;
};

// Builds the bytes of a Jet database holding these tables in this order: every Jet 4 text value
// in Unicode (compressed where that is shorter, as Jet does), every Jet 3 text in code page 936;
// memo values inline when short, on long-value pages otherwise (chained over several pages when
// they do not fit one); a table definition longer than a page over as many as it needs.
// Throws common::Error (3047) naming the table and row for a row larger than a page can hold, a
// table spread over more pages than its usage map can name, and a name too long for its length
// field; 3317 for a Guid value that is not a GUID.
QByteArray buildJetFile(const QList<JetTable> &tables, const JetOptions &options);

// Writes the file; returns false when it could not be written completely. Throws as buildJetFile
// does, naming the file too, and then leaves no file behind.
bool writeJetFile(const QString &path, const QList<JetTable> &tables, const JetOptions &options);

} // namespace jetfixture
