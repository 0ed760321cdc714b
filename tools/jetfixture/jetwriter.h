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
// 255 bytes in code page 936), Memo otherwise.
enum class ColumnKind { Auto, Text, Memo, Long };

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
// they do not fit one).
QByteArray buildJetFile(const QList<JetTable> &tables, const JetOptions &options);

// Writes the file; returns false when it could not be written completely.
bool writeJetFile(const QString &path, const QList<JetTable> &tables, const JetOptions &options);

} // namespace jetfixture
