#pragma once

#include <QByteArrayView>

namespace common {

// Splits text-file bytes into lines the way sequential file input reads them: a line ends at CR
// or at CR LF, and the end-of-line characters are not part of it. A lone LF is no line end and
// stays inside its line. A final line without terminator is a line; an empty input has none.
class LineReader
{
public:
    explicit LineReader(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }

    bool atEnd() const { return m_pos >= m_bytes.size(); }
    QByteArrayView readLine();

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

} // namespace common
