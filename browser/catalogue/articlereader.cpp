#include "articlereader.h"

#include "codec936.h"
#include "error.h"
#include "linereader.h"

#include <QFileInfo>

#include <cstring>

namespace tamsel {

namespace {

// Only a regular file is read: a pipe or a device could block the window for ever.
void checkReadable(const QString &path, QFile &file)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        throw common::Error::fileNotFound(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        throw common::Error::cannotOpen(path);
}

} // namespace

QString articleText(QByteArrayView bytes)
{
    // Line ends are ASCII and never the trail byte of a double-byte character (nor swallowed as
    // one by the decoder), so the lines are joined with CR LF first and decoded in one pass.
    QByteArray joined;
    joined.reserve(bytes.size() + bytes.size() / 16 + 2);
    common::LineReader reader(bytes);
    while (!reader.atEnd()) {
        joined.append(reader.readLine());
        joined.append("\r\n", 2);
    }
    return common::decode936(joined);
}

QString readArticle(const QString &path)
{
    QFile file(path);
    checkReadable(path, file);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw common::Error::cannotOpen(path);
    return articleText(bytes);
}

ArticleDecoder::ArticleDecoder() = default;

QString ArticleDecoder::decode(QByteArrayView piece)
{
    if (piece.isEmpty())
        return QString();
    const char *in = piece.data();
    const char *end = in + piece.size();
    if (m_afterCr && *in == '\n')
        ++in; // the LF of a CR LF split between two pieces
    m_afterCr = false;
    // The same bytes with every line end written CR LF: a CR alone gains its LF.
    m_lines.resize(0);
    m_lines.reserve(piece.size() + piece.size() / 8 + 2);
    while (in < end) {
        const char *cr = static_cast<const char *>(std::memchr(in, '\r', size_t(end - in)));
        if (!cr) {
            m_lines.append(in, end - in);
            break;
        }
        m_lines.append(in, cr - in);
        m_lines.append("\r\n", 2);
        in = cr + 1;
        if (in == end)
            m_afterCr = true;
        else if (*in == '\n')
            ++in;
    }
    if (!m_lines.isEmpty())
        m_lineOpen = !m_lines.endsWith("\r\n");
    return m_decoder.decode(m_lines);
}

QString ArticleDecoder::finish()
{
    // A last line without line end gets one, as every other line.
    QString rest = m_lineOpen ? m_decoder.decode(QByteArrayView("\r\n", 2)) : QString();
    m_lineOpen = false;
    m_afterCr = false;
    return rest;
}

ArticleFile::ArticleFile(const QString &path)
    : m_path(path)
    , m_file(path)
{
    checkReadable(path, m_file);
}

QString ArticleFile::readPiece(qsizetype bytes)
{
    if (m_atEnd)
        return QString();
    m_buffer.resize(bytes);
    const qint64 got = m_file.read(m_buffer.data(), bytes);
    if (got < 0)
        throw common::Error::cannotOpen(m_path);
    QString text = m_decoder.decode(QByteArrayView(m_buffer.constData(), got));
    // A file that ends within this piece is finished now, not one read later.
    if (got < bytes && m_file.atEnd()) {
        m_atEnd = true;
        m_file.close();
        text += m_decoder.finish();
    }
    return text;
}

} // namespace tamsel
