#pragma once

#include <QByteArrayView>
#include <QString>

namespace tamsel {

// The article text of a file's bytes: every line (ending at CR or CR LF; a lone LF stays inside
// its line) followed by CR LF, decoded from code page 936. Invalid bytes show as U+FFFD.
QString articleText(QByteArrayView bytes);

// Reads the article file at `path`. Throws common::Error 53 when it is missing and 3051 when it
// cannot be read.
QString readArticle(const QString &path);

} // namespace tamsel
