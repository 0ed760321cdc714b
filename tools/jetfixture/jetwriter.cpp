#include "jetwriter.h"

#include "codec936.h"
#include "error.h"

#include <QSaveFile>
#include <QUuid>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace jetfixture {

namespace {

// Jet's own number for "record is too large", given to everything that does not fit its place.
constexpr int kTooLarge = 3047;

// Every page: its type, a byte always 1, two bytes of free space (a Jet 3 definition page holds
// "VC" there instead), four bytes naming its owner: the table definition page of a data page,
// "LVAL" for a page of long values, the next page of a table definition.
enum PageType : quint8 { DataPage = 0x01, TableDefinitionPage = 0x02 };
constexpr int kPageFreeSpaceOffset = 2;
constexpr int kPageOwnerOffset = 4;
constexpr int kPageHeaderSize = 8; // a table definition continues after this on its next page
constexpr quint32 kLongValueOwner = 0x4C41564C; // "LVAL"

// A row pointer of a data page: the row's offset in the page and two flags.
constexpr quint16 kDeletedFlag = 0x8000;
constexpr quint16 kOverflowFlag = 0x4000;
constexpr quint16 kRowOffsetMask = 0x1FFF;
constexpr int kMaxRowsPerPage = 255; // a row number is one byte of a row pointer

// A memo field: a 12-byte header (length with flags, row pointer, unused), then the value itself
// when kept in the row.
constexpr quint32 kMemoInRow = 0x80000000u;
constexpr quint32 kMemoOnOnePage = 0x40000000u;
constexpr int kInlineMemoBytes = 64; // longer memo values go to long-value pages

// The table definition: the length of the whole definition, table types, column flags.
constexpr int kTdefLengthOffset = 8;
constexpr quint8 kUserTable = 0x4E;
constexpr quint8 kSystemTable = 0x53;
constexpr quint8 kFixedColumn = 0x01;
constexpr quint8 kNullableColumn = 0x02;
constexpr quint16 kGeneralSortOrder = 0x0409;
constexpr quint16 kTdefEnd = 0xFFFF;

// The header page, partly masked with RC4 from kMaskedStart.
constexpr int kMagicOffset = 4;
constexpr int kVersionOffset = 0x14;
constexpr int kMaskedStart = 0x18;
constexpr int kCodePageOffset = 0x3C;
constexpr quint16 kUnicodeCodePage = 1200;

constexpr int kGuidSize = 16;
constexpr quint16 kJet3TextCodePage = 936;

enum ColumnType : quint8 {
    TypeInt = 0x03,
    TypeLong = 0x04,
    TypeText = 0x0A,
    TypeOle = 0x0B,
    TypeMemo = 0x0C,
    TypeGuid = 0x0F,
};

// What differs between the two versions: page size and where things lie in a page.
struct Format
{
    int pageSize;
    int rowCountOffset; // data page: the number of rows, then a 2-byte pointer per row
    int tdefBlockSize; // a table definition up to its first column entry
    int tdefRowCountOffset;
    int tdefTableTypeOffset; // then 2 bytes each: maximum columns, variable columns, columns
    int tdefMapsOffset; // row pointers of the usage map and of the free-space map
    int columnEntrySize;
    int columnNumberOffset; // then 2 bytes each: variable-column index, column number again
    int columnSortOrderOffset;
    int columnCodePageOffset; // Jet 3 only
    int columnFlagsOffset;
    int columnCompressedOffset; // Jet 4 only: compressed Unicode allowed
    int columnFixedOffset; // then the column's length
    int nameLengthSize; // bytes of a column name's length
    int textColumnSize;
    int sortOrderOffset; // in the header page
    int maskedLength;
};

constexpr Format kJet4{4096, 12, 63, 16, 40, 55, 25, 5, 11, -1, 15, 16, 21, 2, 510, 0x6E, 128};
constexpr Format kJet3{2048, 8, 43, 12, 20, 35, 18, 1, 9, 11, 13, -1, 14, 1, 255, 0x3A, 126};

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

// A GUID as Windows keeps it: the first three groups little-endian, the last eight bytes in order.
QByteArray guidBytes(const QString &text)
{
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != QUuid().toString())
        throw common::Error(common::ValidationFailed, u"“%1”不是 GUID。"_s.arg(text));
    QByteArray bytes;
    append32(bytes, id.data1);
    append16(bytes, id.data2);
    append16(bytes, id.data3);
    for (const uchar b : id.data4)
        bytes.append(char(b));
    return bytes;
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
    Writer(const JetOptions &options, const QString &target)
        : m_options(options)
        , m_jet4(options.version == JetVersion::Jet4)
        , m_format(m_jet4 ? kJet4 : kJet3)
        , m_pageSize(m_format.pageSize)
        , m_rowCountOffset(m_format.rowCountOffset)
        , m_target(target)
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
    // The most a row may take: the whole of an empty page but its header and one row pointer.
    int maxRowSize() const { return m_pageSize - m_rowCountOffset - 2 - 2; }
    // Refuses, naming `what`, a size over the limit that its place in the file sets.
    void requireSize(const QString &what, qsizetype size, qsizetype limit) const;
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
    const Format &m_format;
    int m_pageSize;
    int m_rowCountOffset;
    QString m_target; // the file's name in messages
    QList<QByteArray> m_pages;
    int m_lvalPage = -1;
    bool m_damageDone = false;
};

int Writer::newPage(quint8 type, quint32 owner)
{
    QByteArray page(m_pageSize, '\0');
    page[0] = char(type);
    page[1] = 0x01;
    put32(page, kPageOwnerOffset, owner);
    put16(page, kPageFreeSpaceOffset, quint32(m_pageSize - m_rowCountOffset - 2));
    m_pages.append(page);
    return int(m_pages.size() - 1);
}

void Writer::requireSize(const QString &what, qsizetype size, qsizetype limit) const
{
    if (size <= limit)
        return;
    const QString file = m_target.isEmpty() ? QString() : u"“%1”"_s.arg(m_target);
    throw common::Error(kTooLarge, u"无法写出 Jet %1 文件%2（每页 %3 字节）：%4有 %5 字节，超过了能写下的 %6 字节。"_s
                                       .arg(m_jet4 ? u"4"_s : u"3"_s, file)
                                       .arg(m_pageSize)
                                       .arg(what)
                                       .arg(size)
                                       .arg(limit));
}

int Writer::rowStart(const QByteArray &page, int row) const
{
    return get16(page, m_rowCountOffset + 2 + 2 * row) & kRowOffsetMask;
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
    // Every caller has made sure; a row written anyway would land before the page's start.
    if (!fits(page, int(row.size())))
        qFatal("jetfixture: a row of %d bytes does not fit page %d", int(row.size()), page);
    QByteArray &buf = m_pages[page];
    const int rows = get16(buf, m_rowCountOffset);
    const int start = rowsTop(buf) - int(row.size());
    std::copy(row.cbegin(), row.cend(), buf.begin() + start);
    put16(buf, m_rowCountOffset + 2 + 2 * rows, quint32(start) | flags);
    put16(buf, m_rowCountOffset, quint32(rows + 1));
    put16(buf, kPageFreeSpaceOffset, quint32(start - (m_rowCountOffset + 2 + 2 * (rows + 1))));
    return rows;
}

QByteArray Writer::textBytes(const QString &text, bool mayCompress) const
{
    return m_jet4 ? jet4Text(text, mayCompress) : common::encode936(text);
}

QByteArray Writer::nameBytes(const QString &name) const
{
    const QByteArray bytes = m_jet4 ? ucs2(name) : common::encode936(name);
    const int lengthSize = m_format.nameLengthSize;
    requireSize(u"字段名“%1”"_s.arg(name), bytes.size(), (1 << (8 * lengthSize)) - 1);
    QByteArray out;
    for (int i = 0; i < lengthSize; ++i)
        out.append(char((bytes.size() >> (8 * i)) & 0xFF));
    return out + bytes;
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
        if (kind == ColumnKind::Long || kind == ColumnKind::Guid) {
            c.type = kind == ColumnKind::Long ? TypeLong : TypeGuid;
            c.fixed = true;
            c.size = kind == ColumnKind::Long ? 4 : kGuidSize;
            c.fixedOffset = fixedOffset;
            fixedOffset += c.size;
        } else {
            c.type = kind == ColumnKind::Memo ? TypeMemo : TypeText;
            c.size = kind == ColumnKind::Memo ? 0 : m_format.textColumnSize;
            c.varIndex = varIndex++;
        }
        columns.append(c);
    }
    return columns;
}

int Writer::lvalPageFor(int size)
{
    if (m_lvalPage < 0 || !fits(m_lvalPage, size))
        m_lvalPage = newPage(DataPage, kLongValueOwner);
    return m_lvalPage;
}

// The 12-byte memo header followed by the value when it is kept in the row; longer values go to
// long-value pages: one row when they fit a page, otherwise a chain of rows each starting with the
// pointer to the next.
QByteArray Writer::memoValue(const QString &text)
{
    const QByteArray bytes = textBytes(text, text.size() <= 1024);
    QByteArray header;
    const int capacity = maxRowSize();
    if (m_options.damage == Damage::SelfPointingLongValue && !m_damageDone && bytes.size() > kInlineMemoBytes) {
        m_damageDone = true;
        const int page = newPage(DataPage, kLongValueOwner);
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
        append32(header, quint32(bytes.size()) | kMemoInRow);
        append32(header, 0);
        append32(header, 0);
        return header + bytes;
    }
    if (bytes.size() <= capacity) {
        const int page = lvalPageFor(int(bytes.size()));
        const int row = addRow(page, bytes, 0);
        append32(header, quint32(bytes.size()) | kMemoOnOnePage);
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
        const int page = newPage(DataPage, kLongValueOwner);
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
        } else if (c.type == TypeGuid) {
            values.append(guidBytes(*value));
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
            page = newPage(DataPage, quint32(layout.tdefPage));
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
        requireSize(u"表“%1”的第 %2 行"_s.arg(layout.name).arg(i + 1), body.size(), maxRowSize());
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
            page = newPage(DataPage, 0);
        return rowPointer(page, addRow(page, row, 0));
    };
    for (qsizetype i = 0; i < layouts.size(); ++i) {
        const bool broken = m_options.damage == Damage::EmptyUsageMap && i == 1;
        // A map kept in its row names pages by bits from its first one; a table spread over more
        // pages than one row has bits for would need map pages of its own.
        const QByteArray map = broken ? QByteArray() : usageMap(layouts[i].pages);
        requireSize(u"表“%1”的页面使用表"_s.arg(layouts[i].name), map.size(), maxRowSize());
        layouts[i].usedMap = place(map);
        layouts[i].freeMap = place(usageMap({}));
    }
}

void Writer::writeTableDefinition(const TableLayout &layout)
{
    const Format &f = m_format;
    const int varCount = int(std::count_if(layout.columns.cbegin(), layout.columns.cend(),
                                           [](const Column &c) { return !c.fixed; }));
    const int count = int(layout.columns.size());
    // Laid out as its first page: the first eight bytes are that page's header, written below.
    QByteArray def(f.tdefBlockSize, '\0');
    put32(def, f.tdefRowCountOffset, quint32(layout.rowCount));
    def[f.tdefTableTypeOffset] = char(layout.system ? kSystemTable : kUserTable);
    put16(def, f.tdefTableTypeOffset + 1, quint32(count));
    put16(def, f.tdefTableTypeOffset + 3, quint32(varCount));
    put16(def, f.tdefTableTypeOffset + 5, quint32(count));
    put32(def, f.tdefMapsOffset, layout.usedMap);
    put32(def, f.tdefMapsOffset + 4, layout.freeMap);
    for (const Column &c : layout.columns) {
        QByteArray e(f.columnEntrySize, '\0');
        e[0] = char(c.type);
        put16(e, f.columnNumberOffset, quint32(c.number));
        put16(e, f.columnNumberOffset + 2, quint32(c.fixed ? c.number : c.varIndex));
        put16(e, f.columnNumberOffset + 4, quint32(c.number));
        if (c.type == TypeText || c.type == TypeMemo) {
            put16(e, f.columnSortOrderOffset, kGeneralSortOrder);
            if (f.columnCodePageOffset >= 0)
                put16(e, f.columnCodePageOffset, kJet3TextCodePage);
            if (f.columnCompressedOffset >= 0)
                e[f.columnCompressedOffset] = 0x01;
        }
        e[f.columnFlagsOffset] = char((c.fixed ? kFixedColumn : 0) | kNullableColumn);
        put16(e, f.columnFixedOffset, quint32(c.fixedOffset));
        put16(e, f.columnFixedOffset + 2, quint32(c.size));
        def += e;
    }
    for (const Column &c : layout.columns)
        def += nameBytes(c.name);
    append16(def, kTdefEnd);
    put32(def, kTdefLengthOffset, quint32(def.size()));

    // A definition longer than its page goes on over further pages, each named by the owner field
    // of the one before and holding the next piece after its own header.
    const int piece = m_pageSize - kPageHeaderSize;
    QList<int> pages{layout.tdefPage};
    for (qsizetype written = m_pageSize; written < def.size(); written += piece)
        pages.append(newPage(TableDefinitionPage, 0));
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const qsizetype from = kPageHeaderSize + i * piece;
        const qsizetype size = std::min<qsizetype>(def.size() - from, piece);
        QByteArray &page = m_pages[pages[i]];
        std::copy(def.cbegin() + from, def.cbegin() + from + size, page.begin() + kPageHeaderSize);
        put32(page, kPageOwnerOffset, i + 1 < pages.size() ? quint32(pages[i + 1]) : 0);
        if (m_jet4) {
            put16(page, kPageFreeSpaceOffset, quint32(piece - size));
        } else {
            page[kPageFreeSpaceOffset] = 'V';
            page[kPageFreeSpaceOffset + 1] = 'C';
        }
    }
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
    page[1] = 0x01; // type 0, the header page
    const QByteArray magic("Standard Jet DB", 15);
    std::copy(magic.cbegin(), magic.cend(), page.begin() + kMagicOffset);
    put32(page, kVersionOffset, m_jet4 ? 1 : 0);
    put16(page, m_format.sortOrderOffset, kGeneralSortOrder);
    put16(page, kCodePageOffset, quint32(m_jet4 ? kUnicodeCodePage : m_options.codePage));
    rc4(page, kMaskedStart, m_format.maskedLength);
}

QByteArray Writer::build(const QList<JetTable> &tables)
{
    m_pages.append(QByteArray(m_pageSize, '\0')); // header
    newPage(DataPage, 0); // usage maps
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
        layout.tdefPage = newPage(TableDefinitionPage, 0);
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
    return Writer(options, QString()).build(tables);
}

bool writeJetFile(const QString &path, const QList<JetTable> &tables, const JetOptions &options)
{
    const QByteArray bytes = Writer(options, path).build(tables);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace jetfixture
