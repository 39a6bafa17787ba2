// SPDX-License-Identifier: GPL-3.0-or-later
// Through libmdb, which converts the file's text to UTF-8. Binary and OLE columns are never bound,
// so libmdb never reads their values.
#include "access_reader.h"

#include "column_layout.h"
#include "text_decoding.h"

#include <QFile>

#ifdef ROLVANE_HAVE_LIBMDB

// libmdb's header uses glib's types without including glib.
#include <glib.h>
#include <mdbtools.h>

#include <memory>

namespace rolvane::exchange {

namespace {

// Long enough for a memo of comments; every bound column gets a buffer this size.
constexpr std::size_t kBindSize = std::size_t(64) << 10;

struct MdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::optional<Problem> readAccess(const QString& path, const QString& table,
                                  const ReadCallbacks& callbacks) {
    const QByteArray file = QFile::encodeName(path);
    std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(file.constData(), MDB_NOFLAGS));
    if (!mdb)
        return Problem{0, "the file could not be opened as an Access database"};
    mdb_set_bind_size(mdb.get(), kBindSize);
    GPtrArray* catalog = mdb_read_catalog(mdb.get(), MDB_TABLE);
    if (!catalog)
        return Problem{0, "the list of tables could not be read"};

    const std::string wanted = table.isEmpty() ? std::string("Rolvane") : table.toStdString();
    MdbCatalogEntry* found = nullptr;
    std::string tables;
    for (guint i = 0; i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        if (!tables.empty())
            tables += ", ";
        tables += entry->object_name;
        if (!found && sameName(entry->object_name, wanted))
            found = entry;
    }
    if (!found)
        return Problem{0, "there is no table named " + wanted + "; " +
                              (tables.empty() ? std::string("the file has no tables")
                                              : "its tables are: " + tables) +
                              (table.isEmpty() ? "; name one with --table" : "")};

    std::unique_ptr<MdbTableDef, TableFreer> def(mdb_read_table(found));
    if (!def || !mdb_read_columns(def.get()))
        return Problem{0, "the table " + wanted + " could not be read"};
    std::vector<std::string> names;
    for (guint i = 0; i < def->num_cols; ++i)
        names.emplace_back(static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i))->name);
    std::string expected;
    // A table the user named is read whatever its columns are called.
    const std::optional<ColumnLayout> layout =
        ColumnLayout::recognise(names, expected, !table.isEmpty());
    if (!layout)
        return Problem{0, "the table " + wanted + " has no known contact columns; expected " +
                              expected};

    std::vector<std::string> buffers(names.size());
    std::vector<int> lengths(names.size(), 0);
    for (guint i = 0; i < def->num_cols; ++i) {
        const int type = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i))->col_type;
        if (type == MDB_OLE || type == MDB_BINARY)
            continue;
        buffers[i].resize(kBindSize + 1);
        mdb_bind_column(def.get(), int(i) + 1, buffers[i].data(), &lengths[i]);
    }
    mdb_rewind_table(def.get());

    std::vector<std::string> row(names.size());
    Card card;
    long long number = 0;
    while (mdb_fetch_row(def.get())) {
        ++number;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (buffers[i].empty()) {
                row[i].clear();
                continue;
            }
            const std::size_t length =
                std::min<std::size_t>(std::size_t(std::max(lengths[i], 0)), kBindSize);
            row[i] = toUtf8(std::string_view(buffers[i].data(), length), {});
            lengths[i] = 0;
        }
        card = Card();
        card.line = int(std::min<long long>(number, 0x7fffffff));
        layout->fill(row, card);
        if (callbacks.card && !callbacks.card(card))
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace rolvane::exchange

#else

namespace rolvane::exchange {

std::optional<Problem> readAccess(const QString&, const QString&, const ReadCallbacks&) {
    return Problem{0, "this build of rolvane-db cannot read Access files (it was built without "
                      "libmdb)"};
}

} // namespace rolvane::exchange

#endif
