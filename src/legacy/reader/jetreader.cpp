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
// 'S' u32 len UTF-8 bytes; 'E' ends the table; 'Z' ends the output. Integers are little-endian.
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

namespace {

enum Exit { Done = 0, NotJet4 = 2, NotNotebook = 3, Damaged = 4 };

// A memo longer than this is treated as damage rather than read (1 GiB of UTF-16).
constexpr std::uint32_t kMaxMemoBytes = 1u << 30;
constexpr int kMaxLvalPages = 1 << 20;

void put(const void *data, size_t n) { std::fwrite(data, 1, n, stdout); }
void putByte(char c) { std::fputc(c, stdout); }
void putU32(std::uint32_t v)
{
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    put(b, 4);
}
void putI64(std::int64_t v)
{
    unsigned char b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<unsigned char>(static_cast<std::uint64_t>(v) >> (8 * i));
    put(b, 8);
}
void putString(const std::string &s)
{
    putU32(static_cast<std::uint32_t>(s.size()));
    put(s.data(), s.size());
}

std::uint32_t le32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// The raw bytes of a memo value, following its chain of long-value pages. False on damage.
bool readMemo(MdbHandle *mdb, const unsigned char *field, int size, std::string &out)
{
    if (size < MDB_MEMO_OVERHEAD)
        return size == 0;
    const std::uint32_t header = le32(field);
    const std::uint32_t length = header & 0x3fffffffu;
    if (length > kMaxMemoBytes)
        return false;
    if (header & 0x80000000u) { // stored in the row itself
        out.assign(reinterpret_cast<const char *>(field) + MDB_MEMO_OVERHEAD, size - MDB_MEMO_OVERHEAD);
        return true;
    }
    int pgRow = static_cast<int>(le32(field + 4));
    const bool singlePage = header & 0x40000000u;
    for (int pages = 0; pgRow != 0; ++pages) {
        if (pages >= kMaxLvalPages)
            return false;
        void *buf = nullptr;
        int off = 0;
        size_t len = 0;
        if (mdb_find_pg_row(mdb, pgRow, &buf, &off, &len) != 0 || off < 0
            || static_cast<size_t>(off) + len > static_cast<size_t>(mdb->fmt->pg_size))
            return false;
        const auto *row = static_cast<const unsigned char *>(buf) + off;
        if (singlePage) {
            out.append(reinterpret_cast<const char *>(row), len);
            break;
        }
        if (len < 4)
            return false;
        pgRow = static_cast<int>(le32(row));
        out.append(reinterpret_cast<const char *>(row) + 4, len - 4);
        if (out.size() > length)
            break;
    }
    if (out.size() > length)
        out.resize(length);
    return true;
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

struct TableReader {
    MdbHandle *mdb;
    MdbTableDef *table;
    std::vector<int> wanted; // column indexes in output order

    // Writes the current row (the one mdb_fetch_row just read). False on damage.
    bool writeRow()
    {
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &size) != 0)
            return false;
        start &= 0x1fff;
        std::vector<MdbField> fields(table->num_cols);
        const int n = mdb_crack_row(table, start, size, fields.data());
        if (n < 0)
            return false;
        std::vector<const MdbField *> byColumn(table->num_cols, nullptr);
        for (int i = 0; i < n && i < static_cast<int>(table->num_cols); ++i)
            if (fields[i].colnum >= 0 && fields[i].colnum < static_cast<int>(table->num_cols))
                byColumn[fields[i].colnum] = &fields[i];

        putByte('R');
        for (int c : wanted) {
            const MdbField *f = byColumn[c];
            auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, c));
            if (!f || f->is_null) {
                putByte('N');
                continue;
            }
            if (f->start < 0 || f->siz < 0 || f->start + f->siz > static_cast<int>(mdb->fmt->pg_size))
                return false;
            const auto *p = mdb->pg_buf + f->start;
            if (isInteger(col->col_type)) {
                putByte('I');
                putI64(fixedInt(p, f->siz));
            } else if (col->col_type == MDB_TEXT) {
                putByte('S');
                putString(jettext::decode(p, static_cast<size_t>(f->siz)));
            } else if (col->col_type == MDB_MEMO) {
                std::string raw;
                if (!readMemo(mdb, p, f->siz, raw))
                    return false;
                putByte('S');
                putString(jettext::decode(reinterpret_cast<const unsigned char *>(raw.data()), raw.size()));
            } else {
                char *text = mdb_col_to_string(mdb, mdb->pg_buf, f->start, col->col_type, f->siz);
                putByte('S');
                putString(text ? std::string(text) : std::string());
                g_free(text);
            }
        }
        return true;
    }
};

int dumpTable(MdbHandle *mdb, const char *name, const std::vector<std::string> &columns)
{
    MdbTableDef *table = mdb_read_table_by_name(mdb, const_cast<gchar *>(name), MDB_TABLE);
    if (!table)
        return NotNotebook;
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

    int result = Done;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        if (!reader.writeRow()) {
            result = Damaged;
            break;
        }
    }
    putByte('E');
    mdb_free_tabledef(table);
    return result;
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
