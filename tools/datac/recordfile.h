#pragma once

#include "problems.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace datac {

struct SourceRecord
{
    int line = 0; // where the record starts
    QMap<QString, QString> fields; // a field not mentioned is absent (null)

    std::optional<QString> value(const QString &field) const
    {
        const auto it = fields.constFind(field);
        return it == fields.constEnd() ? std::nullopt : std::optional<QString>(*it);
    }
};

struct RecordFile
{
    QString path;
    QString table;
    QList<SourceRecord> records;
};

// Splits UTF-8 text into lines; reports invalid UTF-8 and characters code page 936 cannot hold.
QStringList readSourceLines(const QString &path, const QByteArray &bytes, Problems &problems);

// Parses a record file:
//   %table NAME          the table (first line that is not blank)
//   %%                   ends one record and starts the next
//   @field: value        a one-line value
//   @field:              a value made of the following lines, up to the next @ or %% line
// A content line starting with '@', '%' or '\' carries one extra '\' in front.
RecordFile parseRecordFile(const QString &path, const QStringList &lines, Problems &problems);

// Reads and parses one record file from disk.
RecordFile readRecordFile(const QString &path, Problems &problems);

// One entry a line, blank lines skipped.
QStringList readListFile(const QString &path, Problems &problems);

} // namespace datac
