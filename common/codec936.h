#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace common {

// Code page 936 (GBK as Microsoft defines it), the encoding of every text file of the programs.
// Invalid input never throws: it becomes U+FFFD (decoding) or '?' (encoding), and *hadErrors is set.
QString decode936(QByteArrayView bytes, bool *hadErrors = nullptr);
QByteArray encode936(QStringView text, bool *hadErrors = nullptr);

// True when the bytes end in a lead byte whose trail byte is missing.
bool endsInLoneLeadByte(QByteArrayView bytes);

} // namespace common
