#pragma once

#include "sqlitewriter.h"

#include <QByteArrayView>
#include <QList>

#include <optional>

namespace common {

// Reads the framed stream the Jet reader program writes: "JETREAD1", then per table a 'T' frame
// with its name, an 'F' frame per field and an 'R' frame per row (each field a 32-bit
// little-endian length, 0xFFFFFFFF for NULL, then UTF-8 bytes), and 'E' at the very end. Every
// length of a name or value is followed by that many bytes.
// Returns nothing for a stream that is malformed in any way: truncated, without its end frame,
// with bytes after it, an unknown frame, a row before its table or a field after a row.
std::optional<QList<TableData>> parseJetStream(QByteArrayView stream);

} // namespace common
