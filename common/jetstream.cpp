#include "jetstream.h"

namespace common {

namespace {

constexpr QByteArrayView kMagic("JETREAD1");
constexpr quint32 kNull = 0xFFFFFFFFu;

class Cursor
{
public:
    explicit Cursor(QByteArrayView data)
        : m_data(data)
    {
    }

    bool atEnd() const { return m_pos == m_data.size(); }
    bool take(qsizetype n, QByteArrayView *out)
    {
        if (n < 0 || m_data.size() - m_pos < n)
            return false;
        *out = m_data.sliced(m_pos, n);
        m_pos += n;
        return true;
    }
    bool u32(quint32 *value)
    {
        QByteArrayView b;
        if (!take(4, &b))
            return false;
        *value = quint32(quint8(b[0])) | quint32(quint8(b[1])) << 8 | quint32(quint8(b[2])) << 16
                 | quint32(quint8(b[3])) << 24;
        return true;
    }
    // A length and that many bytes; a NULL when allowed and the length says so.
    bool value(FieldValue *out, bool nullAllowed)
    {
        quint32 length;
        if (!u32(&length))
            return false;
        if (length == kNull) {
            *out = std::nullopt;
            return nullAllowed;
        }
        QByteArrayView bytes;
        if (!take(qsizetype(length), &bytes))
            return false;
        *out = QString::fromUtf8(bytes);
        return true;
    }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

} // namespace

std::optional<QList<TableData>> parseJetStream(QByteArrayView stream)
{
    if (!stream.startsWith(kMagic))
        return std::nullopt;
    Cursor in(stream.sliced(kMagic.size()));
    QList<TableData> tables;
    for (;;) {
        QByteArrayView tag;
        if (!in.take(1, &tag))
            return std::nullopt;
        FieldValue text;
        switch (tag[0]) {
        case 'T':
            if (!in.value(&text, false))
                return std::nullopt;
            tables.append(TableData{*text, {}, {}});
            break;
        case 'F':
            if (tables.isEmpty() || !tables.last().rows.isEmpty() || !in.value(&text, false))
                return std::nullopt;
            tables.last().fields.append(*text);
            break;
        case 'R': {
            if (tables.isEmpty())
                return std::nullopt;
            TableData &table = tables.last();
            TableRow row;
            row.reserve(table.fields.size());
            for (qsizetype i = 0; i < table.fields.size(); ++i) {
                if (!in.value(&text, true))
                    return std::nullopt;
                row.append(std::move(text));
            }
            table.rows.append(std::move(row));
            break;
        }
        case 'E':
            if (!in.atEnd())
                return std::nullopt;
            return tables;
        default:
            return std::nullopt;
        }
    }
}

} // namespace common
