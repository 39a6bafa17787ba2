// Through libmdb, which converts the file's text to UTF-8. Binary and OLE columns are never bound,
// so libmdb never reads their values.
#include "access_rows.h"

#ifdef ROLVANE_HAVE_LIBMDB

#include "data/ascii_case.h"
#include "text_decoding.h"

// libmdb's header uses glib's types without including glib.
#include <glib.h>
#include <mdbtools.h>

#include <algorithm>
#include <memory>

namespace rolvane::exchange {

namespace {

struct MdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using Table = std::unique_ptr<MdbTableDef, TableFreer>;

MdbColumn* columnAt(MdbTableDef* def, guint i) {
    return static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out;
}

// The user tables of the file, and the one named `wanted` (case ignored) if it is among them.
MdbCatalogEntry* findTable(MdbHandle* mdb, const std::string& wanted,
                           std::vector<std::string>& tables, bool& listed) {
    GPtrArray* catalog = mdb_read_catalog(mdb, MDB_TABLE);
    listed = catalog != nullptr;
    if (!catalog)
        return nullptr;
    MdbCatalogEntry* found = nullptr;
    for (guint i = 0; i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        tables.emplace_back(entry->object_name);
        if (!found && sameAsciiName(entry->object_name, wanted))
            found = entry;
    }
    return found;
}

// Every text column bound to a buffer of its own; binary and OLE columns are never read.
class BoundRow {
public:
    explicit BoundRow(MdbTableDef* def)
        : def_(def), buffers_(def->num_cols), lengths_(def->num_cols) {
        for (guint i = 0; i < def->num_cols; ++i) {
            const int type = columnAt(def, i)->col_type;
            if (type == MDB_OLE || type == MDB_BINARY)
                continue;
            buffers_[i].resize(kMaxAccessText + 1);
            mdb_bind_column(def, int(i) + 1, buffers_[i].data(), &lengths_[i]);
        }
    }
    // The next row as UTF-8; the name of a column whose memo was cut goes to `cut`.
    bool fetch(std::vector<std::string>& row, std::string& cut) {
        if (!mdb_fetch_row(def_))
            return false;
        row.resize(buffers_.size());
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::size_t length = std::size_t(std::max(lengths_[i], 0));
            row[i] =
                buffers_[i].empty()
                    ? std::string()
                    : toUtf8(std::string_view(buffers_[i].data(), std::min(length, kMaxAccessText)),
                             {});
            if (length + 1 >= kMaxAccessText)
                cut = columnAt(def_, guint(i))->name;
            lengths_[i] = 0;
        }
        return true;
    }

private:
    MdbTableDef* def_;
    std::vector<std::string> buffers_;
    std::vector<int> lengths_;
};

} // namespace

std::optional<Problem> readAccessRows(const std::string& path, const std::string& table,
                                      AccessRowSink& sink) {
    std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb)
        return Problem{0, "the file could not be opened as an Access database"};
    mdb_set_bind_size(mdb.get(), kMaxAccessText);
    const std::string wanted = table.empty() ? std::string("Rolvane") : table;
    std::vector<std::string> tables;
    bool listed = false;
    MdbCatalogEntry* found = findTable(mdb.get(), wanted, tables, listed);
    if (!listed)
        return Problem{0, "the list of tables could not be read"};
    if (!found)
        return Problem{0, "there is no table named " + wanted + "; " +
                              (tables.empty() ? std::string("the file has no tables")
                                              : "its tables are: " + joined(tables)) +
                              (table.empty() ? "; name one with --table" : "")};
    Table def(mdb_read_table(found));
    if (!def || !mdb_read_columns(def.get()) || def->num_cols > kMaxAccessColumns)
        return Problem{0, "the table " + wanted + " could not be read"};
    std::vector<std::string> names;
    for (guint i = 0; i < def->num_cols; ++i)
        names.emplace_back(columnAt(def.get(), i)->name);
    if (!sink.header(names))
        return std::nullopt;
    BoundRow bound(def.get());
    mdb_rewind_table(def.get());
    std::vector<std::string> row;
    std::string cut;
    for (long long number = 1; bound.fetch(row, cut); ++number) {
        if (!sink.row(number, row, cut))
            return std::nullopt;
        cut.clear();
    }
    return std::nullopt;
}

} // namespace rolvane::exchange

#else

namespace rolvane::exchange {

std::optional<Problem> readAccessRows(const std::string&, const std::string&, AccessRowSink&) {
    return Problem{0, "this build cannot read Access files (it was built without libmdb)"};
}

} // namespace rolvane::exchange

#endif
