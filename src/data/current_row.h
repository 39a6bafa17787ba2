// SPDX-License-Identifier: GPL-3.0-or-later
// The current row as the bound fields show it, and the values it held when it was read: a stored
// row is written only while it still holds them, and only in the columns the user edited.
#pragma once

#include "bound_field.h"
#include "contact_table.h"
#include "sqlite_db.h"

#include <array>
#include <vector>

namespace rolvane {

// Reads one row by its rowid, naming every column: it fails to prepare on a book that lacks the
// table or any of the columns, which is how opening checks them.
const QString& rowFetchSql();

class CurrentRow {
public:
    // What `update` and `remove` return when the row no longer holds what was read.
    static constexpr int kChangedElsewhere = -1;

    void bind(BoundField* field);
    void unbind(BoundField* field);

    // Reads row `rowid`. SQLITE_ROW: the fields show it. SQLITE_DONE: it is gone. Anything else:
    // the read failed. The fields change only in the first case.
    int read(const sqlite::Connection& db, sqlite3_int64 rowid);
    // Takes `fetch`, prepared with rowFetchSql(), for the reads on its connection.
    void adoptFetch(sqlite::Statement&& fetch);
    // Empty fields and no stored row behind them.
    void showNothing();
    // Puts the texts last read back into the fields.
    void restore();

    // The identity of the row last read; 0 when the book keeps none.
    sqlite3_int64 identity() const { return identity_; }

    bool hasEdits() const;
    // Each bound column's name and the text its field shows, in the table's column order.
    std::vector<std::pair<QString, QString>> shownTexts() const;
    void clearEdits();

    // Writes the edited fields into `rowid`: SQLITE_DONE when written, kChangedElsewhere when the
    // row was changed or deleted since it was read, else the failure.
    int update(const sqlite::Connection& db, sqlite3_int64 rowid);
    // Writes the edited fields into `rowid` whatever it holds now; kChangedElsewhere when it is
    // gone, or when its rowid now belongs to another contact (its identity differs).
    int overwrite(const sqlite::Connection& db, sqlite3_int64 rowid);
    int remove(const sqlite::Connection& db, sqlite3_int64 rowid);
    // Stores the fields as a new row, the edited ones as typed and the rest NULL, or every field
    // as shown when `allShown`; `rowid` gets the new row's id.
    int insert(const sqlite::Connection& db, sqlite3_int64& rowid, bool allShown = false);

private:
    struct Binding {
        BoundField* field;
        int column; // among the eleven, -1 for none
    };
    // " and [First Name] is ? collate binary and ..." for the stored values from `firstIndex`.
    static QString unchangedCondition();
    // The edited columns, one bit each, and "[First Name] = ?, ..." for them.
    unsigned editedColumns() const;
    static QString assignments(unsigned columns);
    // Binds the edited texts from 1 in column order; returns the next index.
    int bindEdited(sqlite::Statement& statement, unsigned columns) const;
    void bindStored(sqlite::Statement& statement, int firstIndex) const;
    int changedOrDone(int rc, const sqlite::Connection& db) const;

    // Prepares `statement` with `sql` unless it was prepared on `db` already.
    static int prepareOnce(sqlite::Statement& statement, const sqlite::Connection& db,
                           const QString& sql);

    std::vector<Binding> fields_;
    // Prepared once and kept: a row is read on every move, and Update and Delete are quick only
    // when the statement is.
    sqlite::Statement fetch_;
    sqlite::Statement remove_;
    sqlite::Statement update_;
    sqlite::Statement identityFetch_;
    sqlite3_int64 identity_ = 0; // of the row last read; 0 when the book keeps none
    unsigned updateColumns_ = 0; // the columns update_ sets, one bit each
    std::array<sqlite::StoredValue, kColumnNames.size()> stored_;
    std::array<QString, kColumnNames.size()> storedTexts_;
};

} // namespace rolvane
