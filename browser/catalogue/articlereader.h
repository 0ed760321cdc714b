#pragma once

#include "codec936.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace tamsel {

// The article text of a file's bytes: every line (ending at CR or CR LF; a lone LF stays inside
// its line) followed by CR LF, decoded from code page 936. Invalid bytes show as U+FFFD.
QString articleText(QByteArrayView bytes);

// Reads the article file at `path`. Throws common::Error 53 when it is missing and 3051 when it
// cannot be read.
QString readArticle(const QString &path);

// The same article text made from the file's bytes given in pieces of any size: a line, a CR LF
// pair or a double-byte character may be split between two pieces. The texts returned, joined,
// are exactly articleText() of all the bytes.
class ArticleDecoder
{
public:
    ArticleDecoder();

    QString decode(QByteArrayView piece);
    // The end of the last line once all bytes have been given.
    QString finish();

private:
    common::Decoder936 m_decoder;
    QByteArray m_lines;          // the piece with its line ends made CR LF, reused
    bool m_afterCr = false;      // the last byte given was a CR: an LF next belongs to it
    bool m_lineOpen = false;     // bytes have been given since the last line end
};

// An article file read a piece at a time, so that a large file can be shown while it is read.
class ArticleFile
{
public:
    static constexpr qsizetype kPieceBytes = 64 * 1024;

    // Opens the file. Throws common::Error 53 when it is missing and 3051 when it cannot be read.
    explicit ArticleFile(const QString &path);

    bool atEnd() const { return m_atEnd; }
    // The text of the next piece of the file; at the end of the file, the end of the last line.
    // Throws common::Error 3051 when reading fails.
    QString readPiece(qsizetype bytes = kPieceBytes);

private:
    QString m_path;
    QFile m_file;
    ArticleDecoder m_decoder;
    QByteArray m_buffer;
    bool m_atEnd = false;
};

} // namespace tamsel
