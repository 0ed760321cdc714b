#include "jetwriter.h"

#include "codec936.h"

#include <QSaveFile>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace jetfixture {

namespace {

constexpr quint16 kDeletedFlag = 0x8000;
constexpr quint16 kOverflowFlag = 0x4000;
constexpr int kMaxRowsPerPage = 255; // a row number is one byte of a row pointer
constexpr int kInlineMemoBytes = 64; // longer memo values go to long-value pages

enum ColumnType : quint8 { TypeInt = 0x03, TypeLong = 0x04, TypeText = 0x0A, TypeOle = 0x0B, TypeMemo = 0x0C };

void put16(QByteArray &buf, int offset, quint32 value)
{
    buf[offset] = char(value & 0xFF);
    buf[offset + 1] = char((value >> 8) & 0xFF);
}

int get16(const QByteArray &buf, int offset)
{
    return quint8(buf[offset]) | quint8(buf[offset + 1]) << 8;
}

void put32(QByteArray &buf, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        buf[offset + i] = char((value >> (8 * i)) & 0xFF);
}

void append16(QByteArray &buf, quint32 value)
{
    buf.append(char(value & 0xFF));
    buf.append(char((value >> 8) & 0xFF));
}

void append32(QByteArray &buf, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        buf.append(char((value >> (8 * i)) & 0xFF));
}

QByteArray ucs2(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text)
        append16(bytes, c.unicode());
    return bytes;
}

// Jet 4's compressed form: after FF FE, characters below U+0100 take one byte; a zero byte switches
// between one-byte and two-byte runs. Used only when it is shorter, and never for a text holding a
// character whose low byte is zero (it would read as a switch).
QByteArray jet4Text(const QString &text, bool mayCompress)
{
    const QByteArray plain = ucs2(text);
    if (!mayCompress)
        return plain;
    for (const QChar c : text) {
        if ((c.unicode() & 0xFF) == 0)
            return plain;
    }
    QByteArray packed("\xFF\xFE", 2);
    bool narrow = true;
    for (const QChar c : text) {
        const bool isNarrow = c.unicode() < 0x100;
        if (isNarrow != narrow) {
            packed.append('\0');
            narrow = isNarrow;
        }
        if (narrow)
            packed.append(char(c.unicode()));
        else
            append16(packed, c.unicode());
    }
    return packed.size() < plain.size() ? packed : plain;
}

struct Column
{
    QString name;
    quint8 type;
    bool fixed;
    int number; // position in the table, also the null-mask bit
    int varIndex = -1;
    int fixedOffset = 0;
    int size = 0;
};

class Writer
{
public:
    explicit Writer(const JetOptions &options)
        : m_options(options)
        , m_jet4(options.version == JetVersion::Jet4)
        , m_pageSize(m_jet4 ? 4096 : 2048)
        , m_rowCountOffset(m_jet4 ? 12 : 8)
    {
    }

    QByteArray build(const QList<JetTable> &tables);

private:
    struct TableLayout
    {
        QString name;
        QList<Column> columns;
        int tdefPage = 0;
        QList<int> pages; // data pages owned by the table
        int rowCount = 0;
        bool system = false;
        quint32 usedMap = 0, freeMap = 0; // row pointers of the usage maps
    };

    int newPage(quint8 type, quint32 owner);
    bool fits(int page, int size) const;
    int addRow(int page, const QByteArray &row, quint16 flags);
    // Where row `row` of a data page starts, and where the lowest row starts (the page's end
    // while it has none): rows fill a page from its end downwards.
    int rowStart(const QByteArray &page, int row) const;
    int rowsTop(const QByteArray &page) const;
    quint32 rowPointer(int page, int row) const { return quint32(page) << 8 | quint32(row); }

    QByteArray textBytes(const QString &text, bool mayCompress) const;
    QByteArray nameBytes(const QString &name) const;
    QList<Column> layoutColumns(const JetTable &table) const;
    QByteArray memoValue(const QString &text);
    int lvalPageFor(int size);
    QByteArray packRow(const QList<Column> &columns, const QList<std::optional<QByteArray>> &values) const;
    QList<std::optional<QByteArray>> encodeRow(const QList<Column> &columns, const common::TableRow &row);
    void writeRows(TableLayout &layout, const JetTable &table);
    QByteArray usageMap(const QList<int> &pages) const;
    void writeMaps(QList<TableLayout> &layouts);
    void writeTableDefinition(const TableLayout &layout);
    void writeHeader();

    JetOptions m_options;
    bool m_jet4;
    int m_pageSize;
    int m_rowCountOffset;
    QList<QByteArray> m_pages;
    int m_lvalPage = -1;
    bool m_damageDone = false;
};

int Writer::newPage(quint8 type, quint32 owner)
{
    QByteArray page(m_pageSize, '\0');
    page[0] = char(type);
    page[1] = 0x01;
    put32(page, 4, owner);
    m_pages.append(page);
    put16(m_pages.last(), 2, quint32(m_pageSize - m_rowCountOffset - 2));
    return int(m_pages.size() - 1);
}

int Writer::rowStart(const QByteArray &page, int row) const
{
    return get16(page, m_rowCountOffset + 2 + 2 * row) & 0x1FFF;
}

int Writer::rowsTop(const QByteArray &page) const
{
    const int rows = get16(page, m_rowCountOffset);
    return rows == 0 ? m_pageSize : rowStart(page, rows - 1);
}

bool Writer::fits(int page, int size) const
{
    const QByteArray &buf = m_pages[page];
    const int rows = get16(buf, m_rowCountOffset);
    if (rows >= kMaxRowsPerPage)
        return false;
    const int headerEnd = m_rowCountOffset + 2 + 2 * (rows + 1);
    return rowsTop(buf) - size >= headerEnd;
}

int Writer::addRow(int page, const QByteArray &row, quint16 flags)
{
    QByteArray &buf = m_pages[page];
    const int rows = get16(buf, m_rowCountOffset);
    const int start = rowsTop(buf) - int(row.size());
    std::copy(row.cbegin(), row.cend(), buf.begin() + start);
    put16(buf, m_rowCountOffset + 2 + 2 * rows, quint32(start) | flags);
    put16(buf, m_rowCountOffset, quint32(rows + 1));
    put16(buf, 2, quint32(start - (m_rowCountOffset + 2 + 2 * (rows + 1))));
    return rows;
}

QByteArray Writer::textBytes(const QString &text, bool mayCompress) const
{
    return m_jet4 ? jet4Text(text, mayCompress) : common::encode936(text);
}

QByteArray Writer::nameBytes(const QString &name) const
{
    QByteArray bytes = m_jet4 ? ucs2(name) : common::encode936(name);
    QByteArray out;
    if (m_jet4)
        append16(out, quint32(bytes.size()));
    else
        out.append(char(std::min<qsizetype>(bytes.size(), 255)));
    return out + bytes.left(m_jet4 ? bytes.size() : 255);
}

QList<Column> Writer::layoutColumns(const JetTable &table) const
{
    QList<Column> columns;
    int fixedOffset = 0;
    int varIndex = 0;
    for (int i = 0; i < int(table.data.fields.size()); ++i) {
        ColumnKind kind = i < table.kinds.size() ? table.kinds[i] : ColumnKind::Auto;
        if (kind == ColumnKind::Auto) {
            kind = ColumnKind::Text;
            for (const common::TableRow &row : table.data.rows) {
                const common::FieldValue value = i < row.size() ? row[i] : std::nullopt;
                if (value && (m_jet4 ? value->size() : common::encode936(*value).size()) > 255)
                    kind = ColumnKind::Memo;
            }
        }
        Column c{table.data.fields[i], TypeText, false, i};
        if (kind == ColumnKind::Long) {
            c.type = TypeLong;
            c.fixed = true;
            c.size = 4;
            c.fixedOffset = fixedOffset;
            fixedOffset += 4;
        } else {
            c.type = kind == ColumnKind::Memo ? TypeMemo : TypeText;
            c.size = kind == ColumnKind::Memo ? 0 : (m_jet4 ? 510 : 255);
            c.varIndex = varIndex++;
        }
        columns.append(c);
    }
    return columns;
}

int Writer::lvalPageFor(int size)
{
    if (m_lvalPage < 0 || !fits(m_lvalPage, size))
        m_lvalPage = newPage(0x01, 0x4C41564C); // "LVAL"
    return m_lvalPage;
}

// The 12-byte memo header followed by the value when it is kept in the row; longer values go to
// long-value pages: one row when they fit a page, otherwise a chain of rows each starting with the
// pointer to the next.
QByteArray Writer::memoValue(const QString &text)
{
    const QByteArray bytes = textBytes(text, text.size() <= 1024);
    QByteArray header;
    const int capacity = m_pageSize - (m_rowCountOffset + 2 + 2) - 8;
    if (m_options.damage == Damage::SelfPointingLongValue && !m_damageDone && bytes.size() > kInlineMemoBytes) {
        m_damageDone = true;
        const int page = newPage(0x01, 0x4C41564C);
        const quint32 self = rowPointer(page, 0);
        QByteArray link;
        append32(link, self);
        addRow(page, link, 0);
        append32(header, quint32(bytes.size()));
        append32(header, self);
        append32(header, 0);
        return header;
    }
    if (bytes.size() <= kInlineMemoBytes) {
        append32(header, quint32(bytes.size()) | 0x80000000u);
        append32(header, 0);
        append32(header, 0);
        return header + bytes;
    }
    if (bytes.size() <= capacity) {
        const int page = lvalPageFor(int(bytes.size()));
        const int row = addRow(page, bytes, 0);
        append32(header, quint32(bytes.size()) | 0x40000000u);
        append32(header, rowPointer(page, row));
        append32(header, 0);
        return header;
    }
    // Written from the last piece back, so each piece knows where the next one is.
    const int piece = capacity - 4;
    quint32 next = 0;
    for (qsizetype from = (bytes.size() - 1) / piece * piece; from >= 0; from -= piece) {
        QByteArray row;
        append32(row, next);
        row += bytes.mid(from, piece);
        const int page = newPage(0x01, 0x4C41564C);
        next = rowPointer(page, addRow(page, row, 0));
    }
    append32(header, quint32(bytes.size()));
    append32(header, next);
    append32(header, 0);
    return header;
}

QList<std::optional<QByteArray>> Writer::encodeRow(const QList<Column> &columns, const common::TableRow &row)
{
    QList<std::optional<QByteArray>> values;
    for (const Column &c : columns) {
        const common::FieldValue value = c.number < row.size() ? row[c.number] : std::nullopt;
        if (!value) {
            values.append(std::nullopt);
        } else if (c.fixed) {
            QByteArray bytes;
            append32(bytes, quint32(value->toInt()));
            values.append(bytes.left(c.size));
        } else if (c.type == TypeMemo) {
            values.append(memoValue(*value));
        } else {
            values.append(textBytes(*value, true));
        }
    }
    return values;
}

QByteArray Writer::packRow(const QList<Column> &columns, const QList<std::optional<QByteArray>> &values) const
{
    const int count = int(columns.size());
    QByteArray row;
    if (m_jet4)
        append16(row, quint32(count));
    else
        row.append(char(count));
    const int fixedStart = int(row.size());
    int fixedSize = 0;
    for (const Column &c : columns) {
        if (c.fixed)
            fixedSize = std::max(fixedSize, c.fixedOffset + c.size);
    }
    row.append(QByteArray(fixedSize, '\0'));
    for (int i = 0; i < count; ++i) {
        if (columns[i].fixed && values[i])
            std::copy(values[i]->cbegin(), values[i]->cend(), row.begin() + fixedStart + columns[i].fixedOffset);
    }
    QList<int> offsets;
    for (int i = 0; i < count; ++i) {
        if (columns[i].fixed)
            continue;
        offsets.append(int(row.size()));
        if (values[i])
            row += *values[i];
    }
    const int eod = int(row.size());
    const int varCount = int(offsets.size());
    QByteArray mask((count + 7) / 8, '\0');
    for (int i = 0; i < count; ++i) {
        if (values[i])
            mask[columns[i].number / 8] = char(mask[columns[i].number / 8] | (1 << (columns[i].number % 8)));
    }
    if (m_jet4) {
        append16(row, quint32(eod));
        for (int i = varCount - 1; i >= 0; --i)
            append16(row, quint32(offsets[i]));
        append16(row, quint32(varCount));
        return row + mask;
    }
    // Jet 3 keeps one byte per offset; the jump table names, for each 256-byte boundary, the first
    // offset beyond it. Its size depends on the row's length, which includes it.
    int jumps = 0;
    for (;;) {
        const int length = eod + 1 + varCount + jumps + 1 + int(mask.size());
        const int needed = (length - 1) / 256;
        if (needed == jumps)
            break;
        jumps = needed;
    }
    const int real = std::min(jumps, eod / 256);
    QList<int> all = offsets;
    all.append(eod);
    QByteArray table;
    for (int j = 0; j < jumps; ++j) {
        int first = 0xFF; // a dummy entry past the real ones
        if (j < real) {
            first = varCount;
            for (int i = 0; i <= varCount; ++i) {
                if (all[i] >= 256 * (j + 1)) {
                    first = i;
                    break;
                }
            }
        }
        table.prepend(char(first));
    }
    row.append(char(eod & 0xFF));
    for (int i = varCount - 1; i >= 0; --i)
        row.append(char(offsets[i] & 0xFF));
    row += table;
    row.append(char(varCount));
    return row + mask;
}

void Writer::writeRows(TableLayout &layout, const JetTable &table)
{
    int page = -1;
    auto place = [&](const QByteArray &row, quint16 flags) {
        if (page < 0 || !fits(page, int(row.size()))) {
            page = newPage(0x01, quint32(layout.tdefPage));
            layout.pages.append(page);
        }
        return std::pair{page, addRow(page, row, flags)};
    };
    struct Stub
    {
        int page, row;
        QByteArray body;
    };
    QList<Stub> stubs;
    for (int i = 0; i < int(table.data.rows.size()); ++i) {
        const QByteArray body = packRow(layout.columns, encodeRow(layout.columns, table.data.rows[i]));
        if (table.deletedBefore.contains(i))
            place(body, kDeletedFlag | kOverflowFlag);
        if (table.overflowRows.contains(i)) {
            const auto [p, r] = place(QByteArray(4, '\0'), kOverflowFlag);
            stubs.append({p, r, body});
        } else {
            place(body, 0);
        }
    }
    // The moved rows live on pages after the table's others, as Jet leaves them after an update
    // that no longer fitted; only the stub gives their place in the table.
    page = -1;
    for (const Stub &stub : stubs) {
        const auto [p, r] = place(stub.body, kDeletedFlag);
        QByteArray &buf = m_pages[stub.page];
        put32(buf, rowStart(buf, stub.row), rowPointer(p, r));
    }
    layout.rowCount = int(table.data.rows.size());
}

QByteArray Writer::usageMap(const QList<int> &pages) const
{
    QByteArray map(1, '\0');
    const int first = pages.isEmpty() ? 0 : *std::min_element(pages.cbegin(), pages.cend()) / 8 * 8;
    const int last = pages.isEmpty() ? 0 : *std::max_element(pages.cbegin(), pages.cend());
    append32(map, quint32(first));
    QByteArray bits((last - first) / 8 + 1, '\0');
    for (const int p : pages)
        bits[(p - first) / 8] = char(bits[(p - first) / 8] | (1 << ((p - first) % 8)));
    return map + bits;
}

void Writer::writeMaps(QList<TableLayout> &layouts)
{
    int page = 1;
    auto place = [&](const QByteArray &row) {
        if (!fits(page, int(row.size())))
            page = newPage(0x01, 0);
        return rowPointer(page, addRow(page, row, 0));
    };
    for (qsizetype i = 0; i < layouts.size(); ++i) {
        const bool broken = m_options.damage == Damage::EmptyUsageMap && i == 1;
        layouts[i].usedMap = place(broken ? QByteArray() : usageMap(layouts[i].pages));
        layouts[i].freeMap = place(usageMap({}));
    }
}

void Writer::writeTableDefinition(const TableLayout &layout)
{
    QByteArray &page = m_pages[layout.tdefPage];
    const int varCount = int(std::count_if(layout.columns.cbegin(), layout.columns.cend(),
                                           [](const Column &c) { return !c.fixed; }));
    const int count = int(layout.columns.size());
    QByteArray def;
    if (m_jet4) {
        def = QByteArray(63, '\0');
        put32(def, 16, quint32(layout.rowCount));
        def[40] = char(layout.system ? 0x53 : 0x4E);
        put16(def, 41, quint32(count));
        put16(def, 43, quint32(varCount));
        put16(def, 45, quint32(count));
        put32(def, 55, layout.usedMap);
        put32(def, 59, layout.freeMap);
    } else {
        def = QByteArray(43, '\0');
        put32(def, 12, quint32(layout.rowCount));
        def[20] = char(layout.system ? 0x53 : 0x4E);
        put16(def, 21, quint32(count));
        put16(def, 23, quint32(varCount));
        put16(def, 25, quint32(count));
        put32(def, 35, layout.usedMap);
        put32(def, 39, layout.freeMap);
    }
    for (const Column &c : layout.columns) {
        const bool text = c.type == TypeText || c.type == TypeMemo;
        const quint8 flags = quint8((c.fixed ? 0x01 : 0x00) | 0x02);
        if (m_jet4) {
            QByteArray e(25, '\0');
            e[0] = char(c.type);
            put16(e, 5, quint32(c.number));
            put16(e, 7, quint32(c.fixed ? c.number : c.varIndex));
            put16(e, 9, quint32(c.number));
            if (text)
                put16(e, 11, 0x0409);
            e[15] = char(flags);
            e[16] = char(text ? 0x01 : 0x00); // compressed Unicode allowed
            put16(e, 21, quint32(c.fixedOffset));
            put16(e, 23, quint32(c.size));
            def += e;
        } else {
            QByteArray e(18, '\0');
            e[0] = char(c.type);
            put16(e, 1, quint32(c.number));
            put16(e, 3, quint32(c.fixed ? c.number : c.varIndex));
            put16(e, 5, quint32(c.number));
            if (text) {
                put16(e, 9, 0x0409);
                put16(e, 11, 936);
            }
            e[13] = char(flags);
            put16(e, 14, quint32(c.fixedOffset));
            put16(e, 16, quint32(c.size));
            def += e;
        }
    }
    for (const Column &c : layout.columns)
        def += nameBytes(c.name);
    def += QByteArray("\xFF\xFF", 2);
    put32(def, 8, quint32(def.size()));
    // The definition above is laid out as the page itself; its first eight bytes are the page header.
    std::copy(def.cbegin() + 8, def.cbegin() + std::min<qsizetype>(def.size(), m_pageSize), page.begin() + 8);
    put16(page, 2, quint32(std::max<qsizetype>(0, m_pageSize - def.size())));
    page[2] = m_jet4 ? page[2] : 'V';
    page[3] = m_jet4 ? page[3] : 'C';
}

// RC4, which masks part of the first page.
void rc4(QByteArray &data, int offset, int length)
{
    const quint8 key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    quint8 s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[offset + n] = char(quint8(data[offset + n]) ^ s[(s[i] + s[j]) & 0xFF]);
    }
}

void Writer::writeHeader()
{
    QByteArray &page = m_pages[0];
    put32(page, 0, 0x00000100);
    const QByteArray magic("Standard Jet DB", 15);
    std::copy(magic.cbegin(), magic.cend(), page.begin() + 4);
    put32(page, 0x14, m_jet4 ? 1 : 0);
    put16(page, m_jet4 ? 0x6E : 0x3A, 0x0409);
    put16(page, 0x3C, quint32(m_jet4 ? 1200 : m_options.codePage));
    rc4(page, 0x18, m_jet4 ? 128 : 126);
}

QByteArray Writer::build(const QList<JetTable> &tables)
{
    m_pages.append(QByteArray(m_pageSize, '\0')); // header
    newPage(0x01, 0); // usage maps
    QList<TableLayout> layouts;
    const JetTable catalog{{u"MSysObjects"_s, {u"Id"_s, u"Name"_s, u"Type"_s, u"Flags"_s, u"LvProp"_s}, {}},
                           {ColumnKind::Long, ColumnKind::Text, ColumnKind::Long, ColumnKind::Long, ColumnKind::Memo},
                           {},
                           {}};
    QList<const JetTable *> all{&catalog};
    for (const JetTable &t : tables)
        all.append(&t);
    for (const JetTable *t : all) {
        TableLayout layout;
        layout.name = t->data.name;
        layout.tdefPage = newPage(0x02, 0);
        layout.system = t == &catalog;
        layouts.append(layout);
    }
    JetTable objects = catalog;
    for (const TableLayout &l : layouts) {
        objects.data.rows.append({QString::number(l.tdefPage), l.name, u"1"_s,
                                  QString::number(l.system ? qint32(0x80000002u) : 0), std::nullopt});
    }
    for (qsizetype i = 0; i < layouts.size(); ++i) {
        const JetTable &t = i == 0 ? objects : *all[i];
        layouts[i].columns = layoutColumns(t);
        if (i == 0) {
            layouts[i].columns[2].type = TypeInt; // Type is a two-byte integer
            layouts[i].columns[2].size = 2;
            layouts[i].columns[3].fixedOffset = 6;
            layouts[i].columns[4].type = TypeOle;
        }
        writeRows(layouts[i], t);
    }
    writeMaps(layouts);
    for (const TableLayout &l : layouts)
        writeTableDefinition(l);
    writeHeader();
    QByteArray file;
    file.reserve(m_pages.size() * m_pageSize);
    for (const QByteArray &p : m_pages)
        file += p;
    return file;
}

} // namespace

QByteArray buildJetFile(const QList<JetTable> &tables, const JetOptions &options)
{
    return Writer(options).build(tables);
}

bool writeJetFile(const QString &path, const QList<JetTable> &tables, const JetOptions &options)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = buildJetFile(tables, options);
    return file.write(bytes) == bytes.size() && file.commit();
}

} // namespace jetfixture
