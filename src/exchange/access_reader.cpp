// Through libmdb, which converts the file's text to UTF-8. Binary and OLE columns are never bound,
// so libmdb never reads their values.
#include "access_reader.h"

#include "column_layout.h"
#include "data/ascii_case.h"
#include "stderr_capture.h"
#include "text_decoding.h"

#include <QFile>

#ifdef ROLVANE_HAVE_LIBMDB

// libmdb's header uses glib's types without including glib.
#include <glib.h>
#include <mdbtools.h>

#include <algorithm>
#include <memory>

namespace rolvane::exchange {

namespace {

// Long enough for a memo of comments; every bound column gets a buffer this size. A longer memo
// is cut here by libmdb, and the user is told.
constexpr std::size_t kBindSize = std::size_t(64) << 10;

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
            buffers_[i].resize(kBindSize + 1);
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
                    : toUtf8(std::string_view(buffers_[i].data(), std::min(length, kBindSize)), {});
            if (length + 1 >= kBindSize)
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

std::optional<Problem> readTable(MdbTableDef* def, const std::string& wanted, bool named,
                                 const ReadCallbacks& callbacks, StderrCapture& capture) {
    std::vector<std::string> names;
    for (guint i = 0; i < def->num_cols; ++i)
        names.emplace_back(columnAt(def, i)->name);
    std::string expected;
    // A table the user named needs only one column that a contact has.
    const std::optional<ColumnLayout> layout = ColumnLayout::recognise(
        names, expected,
        named ? ColumnLayout::Require::AnyContact : ColumnLayout::Require::NameAndDetail);
    if (!layout)
        return Problem{0, "the table " + wanted +
                              " has no known contact columns (its columns are " + joined(names) +
                              "); expected " + expected};
    BoundRow bound(def);
    mdb_rewind_table(def);
    std::vector<std::string> row;
    Card card;
    long long number = 0;
    std::string cut;
    while (bound.fetch(row, cut)) {
        ++number;
        card = Card();
        card.line = int(std::min<long long>(number, 0x7fffffff));
        layout->fill(row, card);
        const StderrCapture::Pause ours(capture);
        if (!cut.empty() && callbacks.warning)
            callbacks.warning({number, "the text in " + cut + " is longer than " +
                                           std::to_string(kBindSize >> 10) +
                                           " KB; only its beginning was kept"});
        cut.clear();
        if (callbacks.card && !callbacks.card(card))
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Problem> readFile(const QString& path, const QString& table,
                                const ReadCallbacks& callbacks, StderrCapture& capture) {
    const QByteArray file = QFile::encodeName(path);
    std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(file.constData(), MDB_NOFLAGS));
    if (!mdb)
        return Problem{0, "the file could not be opened as an Access database"};
    mdb_set_bind_size(mdb.get(), kBindSize);
    const std::string wanted = table.isEmpty() ? std::string("Rolvane") : table.toStdString();
    std::vector<std::string> tables;
    bool listed = false;
    MdbCatalogEntry* found = findTable(mdb.get(), wanted, tables, listed);
    if (!listed)
        return Problem{0, "the list of tables could not be read"};
    if (!found)
        return Problem{0, "there is no table named " + wanted + "; " +
                              (tables.empty() ? std::string("the file has no tables")
                                              : "its tables are: " + joined(tables)) +
                              (table.isEmpty() ? "; name one with --table" : "")};
    Table def(mdb_read_table(found));
    if (!def || !mdb_read_columns(def.get()))
        return Problem{0, "the table " + wanted + " could not be read"};
    return readTable(def.get(), wanted, !table.isEmpty(), callbacks, capture);
}

// libmdb's own lines, in the words of the rest of the tool.
std::string reworded(const std::string& said) {
    if (said.find("beyond EOF") != std::string::npos)
        return "the file is shorter than its own tables say (cut short or damaged)";
    std::string first = said.substr(0, said.find('\n'));
    return "the file is damaged (" + first.substr(0, 200) + ")";
}

} // namespace

std::optional<Problem> readAccess(const QString& path, const QString& table,
                                  const ReadCallbacks& callbacks) {
    StderrCapture capture;
    std::optional<Problem> problem = readFile(path, table, callbacks, capture);
    const std::string said = capture.take();
    if (said.find_first_not_of(" \t\r\n") == std::string::npos)
        return problem;
    if (problem)
        problem->text += "; " + reworded(said);
    else if (callbacks.warning)
        callbacks.warning({0, reworded(said) + "; what could be read was read"});
    return problem;
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
