#include "linereader.h"

namespace common {

QByteArrayView LineReader::readLine()
{
    const qsizetype start = m_pos;
    const qsizetype cr = m_bytes.indexOf('\r', start);
    if (cr < 0) {
        m_pos = m_bytes.size();
        return m_bytes.sliced(start);
    }
    m_pos = cr + 1;
    if (m_pos < m_bytes.size() && m_bytes[m_pos] == '\n')
        ++m_pos;
    return m_bytes.sliced(start, cr - start);
}

} // namespace common
