// qbf-jet-reader: reads the tables of an old Jet 4.0 notebook and writes them to stdout in a small
// framed format. It runs as a separate process because a damaged file can crash libmdb or make it
// loop; the parent sets limits on memory, time and output and never trusts what comes back blindly.
//
// Usage: qbf-jet-reader FILE            the notebook tables admin, Groups, Notes
//        qbf-jet-reader FILE TABLE...   every column of the named tables
//        qbf-jet-reader FILE --list     the names of the tables, one a line
//        qbf-jet-reader --version
//
// Output: "QBJ1\n", then per table: 'T' u32 len name, u32 column count, per column u32 len name;
// then per row 'R' followed by one value per column: 'N' (Null), 'I' i64 (integer types) or
// 'S' u32 len UTF-8 bytes. A row tagged 'D' instead was read in part: a long text ends early or a
// value could not be read (it comes as what was read, or as Null). Before its end a table that
// could not be read whole says so: 'M' u32 rows that could not be read, u32 pages that could not
// be read. 'E' ends the table; 'Z' ends the output. Integers are little-endian.
// Exit codes: 0 done, 2 not a Jet 4.0 file, 3 not a notebook (a table or column is missing),
// 4 the file is damaged.

#include <glib.h> // before mdbtools.h, which uses glib types without including them
#include <mdbtools.h>

#include "JetText.h"
#include "QuillbookVersion.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

enum Exit { Done = 0, NotJet4 = 2, NotNotebook = 3, Damaged = 4 };

// A memo longer than this is treated as damage rather than read (1 GiB of UTF-16).
constexpr std::uint32_t kMaxMemoBytes = 1u << 30;
constexpr int kMaxLvalPages = 1 << 20;

// Whole pages in the file: libmdb fills a page cut off by the end of the file with zeros.
unsigned long g_wholePages = 0;

void put(const void *data, size_t n) { std::fwrite(data, 1, n, stdout); }
void putByte(char c) { std::fputc(c, stdout); }
std::string littleEndian(std::uint64_t v, int bytes)
{
    std::string b(static_cast<size_t>(bytes), '\0');
    for (int i = 0; i < bytes; ++i)
        b[static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    return b;
}
void putU32(std::uint32_t v) { put(littleEndian(v, 4).data(), 4); }
std::string i64Bytes(std::int64_t v) { return littleEndian(static_cast<std::uint64_t>(v), 8); }
std::string stringBytes(const std::string &s) { return littleEndian(s.size(), 4) + s; }
void putString(const std::string &s)
{
    const std::string b = stringBytes(s);
    put(b.data(), b.size());
}

std::uint32_t le32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint16_t le16(const unsigned char *p) { return std::uint16_t(p[0] | p[1] << 8); }

enum class Memo { Whole, Cut };

// Jet 4 keeps long values on data pages marked "LVAL" where a table's pages name their table.
bool isLongValuePage(const unsigned char *page)
{
    return page[0] == MDB_PAGE_DATA && std::memcmp(page + 4, "LVAL", 4) == 0;
}

// The raw bytes of a memo value, following its chain of long-value pages. A chain that breaks
// off or holds fewer bytes than the value's stated length gives what was read, as Cut.
Memo readMemo(MdbHandle *mdb, const unsigned char *field, int size, std::string &out)
{
    if (size == 0)
        return Memo::Whole;
    if (size < MDB_MEMO_OVERHEAD)
        return Memo::Cut;
    const std::uint32_t header = le32(field);
    const std::uint32_t length = header & 0x3fffffffu;
    if (length > kMaxMemoBytes)
        return Memo::Cut;
    if (header & 0x80000000u) { // stored in the row itself
        out.assign(reinterpret_cast<const char *>(field) + MDB_MEMO_OVERHEAD, size - MDB_MEMO_OVERHEAD);
        if (out.size() > length)
            out.resize(length);
        return out.size() == length ? Memo::Whole : Memo::Cut;
    }
    int pgRow = static_cast<int>(le32(field + 4));
    const bool singlePage = header & 0x40000000u;
    for (int pages = 0; pgRow != 0 && out.size() < length; ++pages) {
        if (pages >= kMaxLvalPages)
            break;
        void *buf = nullptr;
        int off = 0;
        size_t len = 0;
        if (static_cast<unsigned long>(pgRow) >> 8 >= g_wholePages || mdb_find_pg_row(mdb, pgRow, &buf, &off, &len) != 0 || off < 0
            || static_cast<size_t>(off) + len > static_cast<size_t>(mdb->fmt->pg_size)
            || !isLongValuePage(static_cast<const unsigned char *>(buf)))
            break;
        const auto *row = static_cast<const unsigned char *>(buf) + off;
        if (singlePage) {
            out.append(reinterpret_cast<const char *>(row), len);
            break;
        }
        if (len < 4)
            break;
        pgRow = static_cast<int>(le32(row));
        out.append(reinterpret_cast<const char *>(row) + 4, len - 4);
    }
    if (out.size() > length)
        out.resize(length);
    return out.size() == length ? Memo::Whole : Memo::Cut;
}

std::int64_t fixedInt(const unsigned char *p, int size)
{
    switch (size) {
    case 1: return p[0];
    case 2: return static_cast<std::int16_t>(p[0] | p[1] << 8);
    case 4: return static_cast<std::int32_t>(le32(p));
    default: return 0;
    }
}

bool isInteger(int type) { return type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT; }

// The size a fixed integer column's value must have.
int integerSize(int type) { return type == MDB_BYTE ? 1 : type == MDB_INT ? 2 : 4; }

struct TableReader {
    MdbHandle *mdb;
    MdbTableDef *table;
    std::vector<int> wanted; // column indexes in output order

    // Writes the row at start/size of the page in mdb->pg_buf. False when it cannot be read at all.
    bool writeRow(int start, size_t size)
    {
        std::vector<MdbField> fields(table->num_cols);
        const int n = mdb_crack_row(table, start, size, fields.data());
        if (n < 0)
            return false;
        std::vector<const MdbField *> byColumn(table->num_cols, nullptr);
        for (int i = 0; i < n && i < static_cast<int>(table->num_cols); ++i)
            if (fields[i].colnum >= 0 && fields[i].colnum < static_cast<int>(table->num_cols))
                byColumn[fields[i].colnum] = &fields[i];

        std::string values;
        bool partial = false;
        auto add = [&values](char tag, const std::string &bytes) {
            values += tag;
            values += bytes;
        };
        for (int c : wanted) {
            const MdbField *f = byColumn[c];
            auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c));
            if (!f || f->is_null) {
                values += 'N';
                continue;
            }
            if (f->start < 0 || f->siz < 0 || f->start + f->siz > static_cast<int>(mdb->fmt->pg_size)) {
                values += 'N';
                partial = true;
                continue;
            }
            const auto *p = mdb->pg_buf + f->start;
            if (isInteger(col->col_type)) {
                if (f->siz != integerSize(col->col_type)) {
                    values += 'N';
                    partial = true;
                    continue;
                }
                add('I', i64Bytes(fixedInt(p, f->siz)));
            } else if (col->col_type == MDB_TEXT) {
                // A text value never holds more bytes than its column was declared with.
                const bool fits = col->col_size <= 0 || f->siz <= col->col_size;
                partial = partial || !fits;
                const size_t kept = fits ? size_t(f->siz) : size_t(col->col_size);
                add('S', stringBytes(jettext::decode(p, kept)));
            } else if (col->col_type == MDB_MEMO) {
                std::string raw;
                if (readMemo(mdb, p, f->siz, raw) == Memo::Cut)
                    partial = true;
                add('S', stringBytes(jettext::decode(reinterpret_cast<const unsigned char *>(raw.data()), raw.size())));
            } else {
                char *text = mdb_col_to_string(mdb, mdb->pg_buf, f->start, col->col_type, f->siz);
                add('S', stringBytes(text ? std::string(text) : std::string()));
                g_free(text);
            }
        }
        putByte(partial ? 'D' : 'R');
        put(values.data(), values.size());
        return true;
    }

    // Reads every page the table's usage map names, counting what could not be read instead of
    // passing over it: a missing page must not look like a table with fewer rows.
    void writeRows()
    {
        const auto pgSize = static_cast<size_t>(mdb->fmt->pg_size);
        const int rowCountAt = mdb->fmt->row_count_offset;
        std::uint32_t read = 0, unreadRows = 0, unreadPages = 0;
        guint32 page = 0;
        for (;;) {
            const gint32 next = mdb_map_find_next(mdb, table->usage_map, static_cast<unsigned>(table->map_sz), page);
            if (next < 0)
                ++unreadPages; // a usage map of no known kind
            if (next <= 0 || static_cast<guint32>(next) <= page)
                break;
            page = static_cast<guint32>(next);
            if (page >= g_wholePages || mdb_read_pg(mdb, page) != static_cast<ssize_t>(pgSize) || mdb->pg_buf[0] != MDB_PAGE_DATA
                || le32(mdb->pg_buf + 4) != table->entry->table_pg) {
                ++unreadPages;
                continue;
            }
            const int rows = le16(mdb->pg_buf + rowCountAt);
            if (rowCountAt + 2 + 2 * static_cast<size_t>(rows) > pgSize) {
                ++unreadPages;
                continue;
            }
            for (int r = 0; r < rows; ++r) {
                int start = 0;
                size_t size = 0;
                if (mdb_find_row(mdb, r, &start, &size) != 0 || size == 0) {
                    ++unreadRows;
                    continue;
                }
                if (start & 0x4000)
                    continue; // deleted, or moved to an overflow row read on its own page
                if (writeRow(start & 0x1fff, size))
                    ++read;
                else
                    ++unreadRows;
            }
        }
        // The table's own count of rows tells what a lost usage map or page held.
        if (table->num_rows > read + unreadRows)
            unreadRows = table->num_rows - read;
        if (unreadRows > 0 || unreadPages > 0) {
            putByte('M');
            putU32(unreadRows);
            putU32(unreadPages);
        }
    }
};

bool inCatalog(MdbHandle *mdb, const char *name)
{
    GPtrArray *catalog = mdb->catalog;
    for (unsigned i = 0; catalog && i < catalog->len; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(catalog, i));
        if (entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, name) == 0)
            return true;
    }
    return false;
}

int dumpTable(MdbHandle *mdb, const char *name, const std::vector<std::string> &columns)
{
    MdbTableDef *table = mdb_read_table_by_name(mdb, const_cast<gchar *>(name), MDB_TABLE);
    if (!table) // listed but unreadable is damage; not listed at all is another kind of file
        return inCatalog(mdb, name) ? Damaged : NotNotebook;
    if (!mdb_read_columns(table)) {
        mdb_free_tabledef(table);
        return Damaged;
    }
    TableReader reader{mdb, table, {}};
    if (columns.empty()) {
        for (unsigned i = 0; i < table->num_cols; ++i)
            reader.wanted.push_back(static_cast<int>(i));
    } else {
        for (const std::string &wantedName : columns) {
            int found = -1;
            for (unsigned i = 0; i < table->num_cols; ++i) {
                auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
                if (g_ascii_strcasecmp(col->name, wantedName.c_str()) == 0)
                    found = static_cast<int>(i);
            }
            if (found < 0) {
                mdb_free_tabledef(table);
                return NotNotebook;
            }
            reader.wanted.push_back(found);
        }
    }

    putByte('T');
    putString(name);
    putU32(static_cast<std::uint32_t>(reader.wanted.size()));
    for (int c : reader.wanted)
        putString(static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c))->name);
    reader.writeRows();
    putByte('E');
    mdb_free_tabledef(table);
    return Done;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("qbf-jet-reader " QUILLBOOK_VERSION);
        return Done;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: qbf-jet-reader FILE [TABLE...]\n");
        return NotJet4;
    }
    MdbHandle *mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb) {
        std::fprintf(stderr, "cannot open %s as a Jet database\n", argv[1]);
        return NotJet4;
    }
    if (mdb->f->jet_version != MDB_VER_JET4) {
        mdb_close(mdb);
        std::fprintf(stderr, "not a Jet 4.0 database\n");
        return NotJet4;
    }
    struct stat info {};
    if (stat(argv[1], &info) == 0 && mdb->fmt->pg_size > 0)
        g_wholePages = static_cast<unsigned long>(info.st_size) / static_cast<unsigned long>(mdb->fmt->pg_size);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        return Damaged;
    }

    if (argc == 3 && std::strcmp(argv[2], "--list") == 0) {
        GPtrArray *catalog = mdb->catalog;
        for (unsigned i = 0; catalog && i < catalog->len; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(catalog, i));
            if (entry->object_type == MDB_TABLE)
                std::printf("%s\n", entry->object_name);
        }
        mdb_close(mdb);
        return Done;
    }

    put("QBJ1\n", 5);
    int result = Done;
    if (argc > 2) {
        for (int i = 2; i < argc && result == Done; ++i)
            result = dumpTable(mdb, argv[i], {});
    } else {
        result = dumpTable(mdb, "admin", {"vPassword"});
        if (result == Done)
            result = dumpTable(mdb, "Groups", {"ID", "vGroupName"});
        if (result == Done)
            result = dumpTable(mdb, "Notes", {"ID", "nNoteTitle", "nAddDate", "nLastUpdate", "nPriority",
                                              "nIcon", "nGroupID", "nColor", "nNote"});
    }
    if (result == Done)
        putByte('Z');
    std::fflush(stdout);
    mdb_close(mdb);
    return result;
}
