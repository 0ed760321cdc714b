#pragma once

#include "backend.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace common {

// One table as the reader program gives it, kept field by field: a whole column is then served
// without copying, and a large table costs one list per field rather than one per row.
struct JetTableData
{
    QString name;
    QStringList fields;
    QList<QList<FieldValue>> columns; // one per field, each holding every row's value
    qsizetype rowCount = 0;
};

// Reads the framed stream the Jet reader program writes: "JETREAD1", then per table a 'T' frame
// with its name, an 'F' frame per field and an 'R' frame per row (each field a 32-bit
// little-endian length, 0xFFFFFFFF for NULL, then UTF-8 bytes), and 'E' at the very end. Every
// length of a name or value is followed by that many bytes.
// Returns nothing for a stream that is malformed in any way: truncated, without its end frame,
// with bytes after it, an unknown frame, a row before its table or a field after a row.
std::optional<QList<JetTableData>> parseJetStream(QByteArrayView stream);

} // namespace common
