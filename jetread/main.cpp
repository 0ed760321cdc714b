// jetread: reads a Microsoft Jet (Access 97 / 2000-2003) database and writes its tables out.
//
//   jetread FILE               every user table as a framed stream (for the programs; see below)
//   jetread --tables FILE      the user tables' names, one per line
//   jetread --csv FILE TABLE   one table as CSV: UTF-8, a header row, CR LF line ends, every
//                              non-NULL text quoted, a NULL field empty and unquoted
//
// It opens the file for reading (platform.h), then confines itself (confinement.h; on Windows the
// programs confine it from outside) before the library parses any of it. Rows come in the table's
// stored order; a row that was moved to an overflow page comes in the place of the stub that
// points at it. Long binary fields carry no text and come out as NULL.
//
// The framed stream (all lengths are 32-bit little-endian):
//   "JETREAD1"                       once, first
//   'T' length name                  a table begins
//   'F' length name                  one per field of that table, before its rows
//   'R' { length bytes }*            one row: every field in order, length 0xFFFFFFFF for NULL
//   'E'                              the end; a stream without it is incomplete
//
// Exit status: 0 done, 1 the file could not be read or the output not written (a message on
// standard error), 2 usage.

#include "confinement.h"
#include "platform.h"

#include <mdbtools.h>

#include <iconv.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Value = std::optional<std::string>;
using Row = std::vector<Value>;

constexpr unsigned kDeleted = 0x8000;
constexpr unsigned kOverflow = 0x4000;
constexpr unsigned kOffsetMask = 0x1FFF;
constexpr int kMaxOverflowHops = 4;
constexpr int kGuidSize = 16;

struct Failure
{
    std::string message;
};

unsigned get16(const unsigned char *buf, int offset)
{
    return unsigned(buf[offset]) | unsigned(buf[offset + 1]) << 8;
}

uint32_t get32(const unsigned char *buf, int offset)
{
    return uint32_t(buf[offset]) | uint32_t(buf[offset + 1]) << 8 | uint32_t(buf[offset + 2]) << 16
           | uint32_t(buf[offset + 3]) << 24;
}

class Output
{
public:
    ~Output()
    {
        try {
            flush();
        } catch (const Failure &) {
        }
    }

    void bytes(const char *data, size_t size)
    {
        m_buffer.append(data, size);
        if (m_buffer.size() >= (1u << 20))
            flush();
    }
    void text(const std::string &s) { bytes(s.data(), s.size()); }
    void tag(char t) { bytes(&t, 1); }
    void u32(uint32_t v)
    {
        const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)};
        bytes(b, 4);
    }
    void sized(const std::string &s)
    {
        u32(uint32_t(s.size()));
        text(s);
    }
    // Written straight to the descriptor: the C library's stream would look the descriptor up at
    // its first write, a call the confined reader may not make.
    void flush()
    {
        for (size_t done = 0; done < m_buffer.size();) {
            const long written = platform::writeOut(m_buffer.data() + done, m_buffer.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                throw Failure{std::string("cannot write the output: ") + std::strerror(errno)};
            done += size_t(written);
        }
        m_buffer.clear();
    }

private:
    std::string m_buffer;
};

constexpr const char *kUnreadable = "not a Jet database, or it cannot be read";

class Input
{
public:
    explicit Input(const std::string &path)
        : m_file(path)
    {
        if (!m_file.isOpen())
            throw Failure{kUnreadable};
    }

    // Whether the library may take the file for Jet 3, the one version whose text needs converters
    // loaded from files: its version at 0x14 is 0, whether read as a byte or a wider word. The only
    // byte looked at before the reader is confined, and only to choose what to load.
    bool mayBeJet3() const { return m_file.byteAt(0x14) <= 0; }

    MdbHandle *openInLibrary() { return m_file.openInLibrary(); }

private:
    platform::InputFile m_file;
};

// The code pages a Jet 3 header may name that are believed; any other means 936.
constexpr int kCjkCodePages[] = {936, 950, 932, 949};
constexpr int kJet3DefaultCodePage = 936;

std::string codePageName(int codePage)
{
    return "CP" + std::to_string(codePage);
}

// The C library loads converters from files at their first opening, which the confined reader
// cannot do: every one it may use is opened before, and what they loaded stays while they stay
// open. libmdb opens its own for the file's version, one each way between UTF-8 and the file's
// text (Jet 4: UCS-2LE, built in, but the first opening of any converter reads the module list).
class Converters
{
public:
    explicit Converters(bool jet3)
    {
        const char *const text = jet3 ? "CP1252" : "UCS-2LE";
        m_kept = {iconv_open("UTF-8", text), iconv_open(text, "UTF-8")};
        if (!jet3)
            return; // no code page to convert from, which saves a millisecond at each start
        for (const int codePage : kCjkCodePages)
            m_toUtf8.emplace(codePage, iconv_open("UTF-8", codePageName(codePage).c_str()));
    }
    Converters(const Converters &) = delete;
    Converters &operator=(const Converters &) = delete;

    // The converter from `codePage` to UTF-8, for its caller to keep; the handle is invalid when
    // there is none.
    iconv_t take(int codePage)
    {
        const auto found = m_toUtf8.find(codePage);
        return found == m_toUtf8.end() ? iconv_t(-1) : std::exchange(found->second, iconv_t(-1));
    }

private:
    std::map<int, iconv_t> m_toUtf8;
    std::pair<iconv_t, iconv_t> m_kept{iconv_t(-1), iconv_t(-1)}; // never closed: the reader ends with them
};

bool isCjkCodePage(int codePage)
{
    return std::find(std::begin(kCjkCodePages), std::end(kCjkCodePages), codePage) != std::end(kCjkCodePages);
}

// Jet 3 files carry no reliable character set; the programs' files are in code page 936. A header
// that names a CJK code page is believed.
void useJet3CodePage(MdbHandle *mdb, Converters &converters)
{
    if (mdb->f->jet_version != MDB_VER_JET3)
        return;
    const int codePage = isCjkCodePage(mdb->f->code_page) ? mdb->f->code_page : kJet3DefaultCodePage;
    iconv_t conv = converters.take(codePage);
    if (conv == iconv_t(-1))
        throw Failure{"no converter for " + codePageName(codePage)};
    if (mdb->iconv_in != iconv_t(-1))
        iconv_close(mdb->iconv_in);
    mdb->iconv_in = conv;
}

// Access shows a GUID in the registry form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}; its first three
// groups are stored little-endian, the last eight bytes in order.
std::string guidText(const unsigned char *b)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(get32(b, 0)),
                  get16(b, 4), get16(b, 6), b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

bool isText(int type)
{
    return type == MDB_TEXT || type == MDB_MEMO;
}

class Reader
{
public:
    Reader(Input &input, Converters &converters)
    {
        m_mdb = input.openInLibrary();
        if (!m_mdb)
            throw Failure{kUnreadable};
        useJet3CodePage(m_mdb, converters);
        mdb_set_date_fmt(m_mdb, "%Y-%m-%d %H:%M:%S");
        mdb_set_shortdate_fmt(m_mdb, "%Y-%m-%d");
        m_defaultBindSize = m_mdb->bind_size;
        if (!mdb_read_catalog(m_mdb, MDB_TABLE))
            throw Failure{"cannot read the catalogue"};
    }
    ~Reader() { mdb_close(m_mdb); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    std::vector<MdbCatalogEntry *> userTables() const
    {
        std::vector<MdbCatalogEntry *> tables;
        for (unsigned i = 0; i < m_mdb->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(m_mdb->catalog, i));
            if (mdb_is_user_table(entry))
                tables.push_back(entry);
        }
        return tables;
    }

    // Reads each table through its own catalogue entry; looking tables up by name twice would free
    // the first one's entry under it.
    void readTable(MdbCatalogEntry *entry, const std::function<void(const std::vector<MdbColumn *> &)> &header,
                   const std::function<void(const Row &)> &row)
    {
        MdbTableDef *table = mdb_read_table(entry);
        if (!table)
            throw Failure{std::string("cannot read the definition of table ") + entry->object_name};
        struct Free
        {
            MdbTableDef *t;
            ~Free() { mdb_free_tabledef(t); }
        } freeTable{table};
        // A usage map without even its type byte makes the library read out of bounds.
        if (table->map_sz < 1 || !table->usage_map)
            throw Failure{std::string("table ") + entry->object_name + " has no usage map"};
        if (!mdb_read_columns(table))
            throw Failure{std::string("cannot read the columns of table ") + entry->object_name};
        std::vector<MdbColumn *> columns;
        for (unsigned i = 0; i < table->num_cols; ++i)
            columns.push_back(static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i)));
        header(columns);
        readRows(table, columns, row);
    }

private:
    // The table's data pages in stored order, and the rows its overflow stubs point at: those are
    // read in the place of their stub, not where they lie.
    std::vector<uint32_t> dataPages(MdbTableDef *table, std::set<uint32_t> *moved)
    {
        const int rco = m_mdb->fmt->row_count_offset;
        std::vector<uint32_t> pages;
        std::set<uint32_t> seen;
        mdb_rewind_table(table);
        while (mdb_read_next_dpg(table)) {
            if (!seen.insert(m_mdb->cur_pg).second)
                throw Failure{"the usage map of table " + std::string(table->name) + " goes round in a circle"};
            pages.push_back(m_mdb->cur_pg);
            const unsigned rows = get16(m_mdb->pg_buf, rco);
            for (unsigned r = 0; r < rows && r < 1000; ++r) {
                const unsigned raw = get16(m_mdb->pg_buf, rco + 2 + 2 * int(r));
                int start;
                size_t size;
                if ((raw & (kDeleted | kOverflow)) == kOverflow && mdb_find_row(m_mdb, int(r), &start, &size) == 0 && size >= 4)
                    moved->insert(get32(m_mdb->pg_buf, start & kOffsetMask));
            }
        }
        // The library ends the table quietly at a page it cannot read; the map still names it.
        if (mdb_map_find_next(m_mdb, table->usage_map, unsigned(table->map_sz), table->cur_phys_pg) > 0)
            throw Failure{"the file ends inside table " + std::string(table->name)};
        return pages;
    }

    bool loadPage(uint32_t page)
    {
        m_mdb->cur_pg = 0; // read it again even if it was the last one read
        return mdb_read_pg(m_mdb, page) == m_mdb->fmt->pg_size;
    }

    void readRows(MdbTableDef *table, const std::vector<MdbColumn *> &columns, const std::function<void(const Row &)> &emit)
    {
        const int rco = m_mdb->fmt->row_count_offset;
        std::set<uint32_t> moved;
        const std::vector<uint32_t> pages = dataPages(table, &moved);
        for (const uint32_t page : pages) {
            if (!loadPage(page))
                throw Failure{"cannot read page " + std::to_string(page)};
            const unsigned rows = get16(m_mdb->pg_buf, rco);
            for (unsigned r = 0; r < rows && r < 1000; ++r) {
                const unsigned raw = get16(m_mdb->pg_buf, rco + 2 + 2 * int(r));
                if (raw & kDeleted)
                    continue;
                if (moved.count(page << 8 | r))
                    continue;
                if (raw & kOverflow) {
                    emitMoved(table, columns, page, r, emit);
                    if (!loadPage(page))
                        throw Failure{"cannot read page " + std::to_string(page)};
                    continue;
                }
                emitRow(table, columns, int(r), emit);
            }
        }
    }

    void emitMoved(MdbTableDef *table, const std::vector<MdbColumn *> &columns, uint32_t page, unsigned row,
                   const std::function<void(const Row &)> &emit)
    {
        for (int hop = 0; hop < kMaxOverflowHops; ++hop) {
            int start;
            size_t size;
            if (mdb_find_row(m_mdb, int(row), &start, &size) != 0 || size < 4)
                throw Failure{"broken overflow row on page " + std::to_string(page)};
            const uint32_t target = get32(m_mdb->pg_buf, start & kOffsetMask);
            page = target >> 8;
            row = target & 0xFF;
            if (!loadPage(page) || m_mdb->pg_buf[0] != MDB_PAGE_DATA
                || long(get32(m_mdb->pg_buf, 4)) != long(table->entry->table_pg)
                || row >= get16(m_mdb->pg_buf, m_mdb->fmt->row_count_offset))
                throw Failure{"overflow row points outside its table"};
            const unsigned raw = get16(m_mdb->pg_buf, m_mdb->fmt->row_count_offset + 2 + 2 * int(row));
            if ((raw & (kDeleted | kOverflow)) != kOverflow) {
                emitRow(table, columns, int(row), emit);
                return;
            }
        }
        throw Failure{"overflow rows point at each other"};
    }

    void emitRow(MdbTableDef *table, const std::vector<MdbColumn *> &columns, int row,
                 const std::function<void(const Row &)> &emit)
    {
        int start;
        size_t size;
        if (mdb_find_row(m_mdb, row, &start, &size) != 0 || size == 0)
            return; // an empty slot, as the library skips it
        start &= int(kOffsetMask);
        std::vector<MdbField> fields(columns.size() + 1);
        if (mdb_crack_row(table, start, size, fields.data()) < 0)
            throw Failure{"damaged row in table " + std::string(table->name)};
        Row values(columns.size());
        for (size_t i = 0; i < columns.size(); ++i) {
            const MdbField &field = fields[i];
            if (field.colnum < 0 || size_t(field.colnum) >= columns.size())
                continue;
            values[size_t(field.colnum)] = fieldValue(columns[size_t(field.colnum)], field);
        }
        emit(values);
    }

    Value fieldValue(MdbColumn *col, const MdbField &field)
    {
        if (col->col_type == MDB_BOOL)
            return std::string(field.is_null ? "False" : "True"); // the value is the null bit
        if (field.is_null || col->col_type == MDB_OLE || col->col_type == MDB_BINARY)
            return std::nullopt;
        const int pageSize = int(m_mdb->fmt->pg_size);
        if (field.start < 0 || field.siz < 0 || field.start + field.siz > pageSize)
            throw Failure{"field outside its page"};
        if (col->col_type == MDB_REPID) {
            if (field.siz != kGuidSize)
                throw Failure{"a GUID of table " + std::string(col->table->name) + " is not 16 bytes long"};
            return guidText(m_mdb->pg_buf + field.start);
        }
        // The library cuts text at its bind size; size the buffer so that no text is cut (one
        // stored byte never becomes more than three bytes of UTF-8).
        size_t longest = size_t(field.siz);
        const size_t memoLength = col->col_type == MDB_MEMO && field.siz >= MDB_MEMO_OVERHEAD
                                      ? get32(m_mdb->pg_buf, field.start) & 0x3FFFFFFF
                                      : 0;
        if (memoLength)
            longest = std::max<size_t>({longest, memoLength, size_t(pageSize)});
        if (longest > (64u << 20))
            throw Failure{"memo field too long"};
        m_mdb->bind_size = std::max<size_t>(m_defaultBindSize, 3 * longest + 16);
        char *text = col->col_type == MDB_NUMERIC
                         ? mdb_numeric_to_string(m_mdb, field.start, col->col_scale, col->col_prec)
                         : mdb_col_to_string(m_mdb, m_mdb->pg_buf, field.start, col->col_type, field.siz);
        m_mdb->bind_size = m_defaultBindSize;
        if (!text)
            return std::string();
        std::string value(text);
        g_free(text);
        // The library gives an empty text for a long value it cannot find.
        if (memoLength && value.empty())
            throw Failure{"a long value of table " + std::string(col->table->name) + " cannot be read"};
        return value;
    }

    MdbHandle *m_mdb = nullptr;
    size_t m_defaultBindSize = MDB_BIND_SIZE;
};

void writeFrames(Reader &reader, Output &out)
{
    out.text("JETREAD1");
    for (MdbCatalogEntry *entry : reader.userTables()) {
        out.tag('T');
        out.sized(entry->object_name);
        reader.readTable(
            entry,
            [&](const std::vector<MdbColumn *> &columns) {
                for (MdbColumn *col : columns) {
                    out.tag('F');
                    out.sized(col->name);
                }
            },
            [&](const Row &row) {
                out.tag('R');
                for (const Value &v : row) {
                    if (v)
                        out.sized(*v);
                    else
                        out.u32(0xFFFFFFFFu);
                }
            });
    }
    out.tag('E');
}

void writeTableNames(Reader &reader, Output &out)
{
    for (MdbCatalogEntry *entry : reader.userTables())
        out.text(std::string(entry->object_name) + "\n");
}

std::string csvQuoted(const std::string &s)
{
    std::string q = "\"";
    for (const char c : s) {
        if (c == '"')
            q += '"';
        q += c;
    }
    return q + "\"";
}

void writeCsv(Reader &reader, const char *name, Output &out)
{
    MdbCatalogEntry *found = nullptr;
    for (MdbCatalogEntry *entry : reader.userTables()) {
        if (std::strcmp(entry->object_name, name) == 0) {
            found = entry;
            break;
        }
        if (!found && platform::sameNameIgnoringCase(entry->object_name, name))
            found = entry;
    }
    if (!found)
        throw Failure{std::string("no table ") + name};
    std::vector<bool> quoted;
    reader.readTable(
        found,
        [&](const std::vector<MdbColumn *> &columns) {
            std::string line;
            for (size_t i = 0; i < columns.size(); ++i) {
                if (i)
                    line += ',';
                line += csvQuoted(columns[i]->name);
                quoted.push_back(isText(columns[i]->col_type));
            }
            out.text(line + "\r\n");
        },
        [&](const Row &row) {
            std::string line;
            for (size_t i = 0; i < row.size(); ++i) {
                if (i)
                    line += ',';
                if (row[i])
                    line += quoted[i] ? csvQuoted(*row[i]) : *row[i];
            }
            out.text(line + "\r\n");
        });
}

} // namespace

int main(int argc, char *argv[])
{
    platform::prepareProcess();
    std::vector<std::string> args = platform::arguments(argc, argv);

    // A test switch, left out of the usage: the confined reader tries an escape before reading.
    constexpr std::string_view escapeSwitch = "--try-escape=";
    auto escape = confinement::Escape::None;
    if (args.size() > 1 && args[1].starts_with(escapeSwitch)) {
        escape = confinement::escapeNamed(args[1].substr(escapeSwitch.size()));
        if (escape == confinement::Escape::None)
            return 2;
        args.erase(args.begin() + 1);
    }

    const std::string mode = args.size() > 1 ? args[1] : "";
    const bool frames = args.size() == 2 && mode.rfind("--", 0) != 0;
    if (!frames && !(args.size() == 3 && mode == "--tables") && !(args.size() == 4 && mode == "--csv")) {
        std::fputs("usage: jetread FILE | jetread --tables FILE | jetread --csv FILE TABLE\n", stderr);
        return 2;
    }
    const std::string &path = frames ? args[1] : args[2];
    try {
        Output out;
        Input input(path);
        Converters converters(input.mayBeJet3());
        platform::plainLibraryMessages();
        tzset(); // dates are written with strftime, which reads the time zone file at first use
        confinement::confine();
        if (const std::string through = confinement::tryEscape(escape); !through.empty())
            throw Failure{"not confined: " + through};
        Reader reader(input, converters);
        if (frames)
            writeFrames(reader, out);
        else if (mode == "--tables")
            writeTableNames(reader, out);
        else
            writeCsv(reader, args[3].c_str(), out);
        out.flush(); // the last of the output may fail to go out as well
    } catch (const Failure &failure) {
        std::fprintf(stderr, "jetread: %s: %s\n", path.c_str(), failure.message.c_str());
        return 1;
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "jetread: %s: %s\n", path.c_str(), error.what());
        return 1;
    }
    return 0;
}
