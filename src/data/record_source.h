// SPDX-License-Identifier: GPL-3.0-or-later
// The record source: the one way to the contact table. It runs the query text into a keyset,
// keeps one current row with the fields bound to it, and returns what went wrong to the window
// that asked, which words and shows it: it never shows a window itself.
#pragma once

#include "book_connection.h"
#include "bound_field.h"
#include "current_row.h"
#include "keyset.h"
#include "source_notice.h"

#include <QString>
#include <QTimer>
#include <vector>

namespace rolvane {

class RecordSource;

// The result of the query last run, with one current row or none. The moves write pending edits
// first and stop at either end; a row deleted elsewhere is skipped.
class Recordset {
public:
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool AddNew();
    bool Delete();
    bool MoveFirst();
    bool MovePrevious();
    bool MoveNext();
    bool MoveLast();
    // Makes the row with this rowid current, when the result holds it; otherwise stays put.
    bool MoveToRow(long long rowid);
    // EOF and BOF (EOF itself is a C macro): both true exactly when there is no current row.
    bool isEOF() const;
    bool isBOF() const { return isEOF(); }

private:
    friend class RecordSource;
    explicit Recordset(RecordSource& source) : source_(source) {}
    RecordSource& source_;
};

class RecordSource {
public:
    // The file is not touched until the first Refresh.
    explicit RecordSource(QString databasePath);
    RecordSource(const RecordSource&) = delete;
    RecordSource& operator=(const RecordSource&) = delete;

    // What the operations since the last call have to tell the user: at most one notice for
    // each operation. Every operation returns false when it failed.
    std::vector<SourceNotice> takeNotices();
    bool hasNotices() const { return !notices_.empty(); }

    const QString& recordSource() const { return query_; }
    const QString& databasePath() const { return connection_.path(); }
    // Stores the query text; nothing runs until Refresh.
    void setRecordSource(const QString& query) { query_ = query; }

    void bind(BoundField* field);
    void unbind(BoundField* field);

    // Writes pending edits, then runs the query text anew and shows its first row.
    bool Refresh();

    rolvane::Recordset& Recordset() { return recordset_; }
    const rolvane::Recordset& Recordset() const { return recordset_; }

    // Writes the edited fields into the current row, or stores the row begun by AddNew or by
    // typing into a blank form.
    bool SaveRecord();
    // Writes typed changes, or drops an untouched new row, before the window closes.
    bool writePending();
    // Forgets typed but unsaved changes (End).
    void discardPending();
    // Drops typed changes and shows the current row as stored (Esc after a failed save).
    bool cancelEdits();
    // After a save refused because another program changed the row: writes the edited fields
    // over the stored row, leaving its other fields as the other program left them, or stores
    // all the texts as a new row in the place of one deleted meanwhile.
    bool saveOverOtherChanges();
    // The last save failed and its text is still pending.
    bool saveFailed() const { return saveFailed_ && hasPendingEdits(); }

    bool hasCurrentRow() const { return adding_ || onRow_; }
    bool isAdding() const { return adding_; }
    bool hasPendingEdits() const { return row_.hasEdits(); }
    // What the bound fields show now, typed or stored, by column name.
    std::vector<std::pair<QString, QString>> shownTexts() const { return row_.shownTexts(); }
    // The rowid of the stored row shown, or 0 when none is (nothing, or a new row).
    long long currentRowId() const {
        return onRow_ && !adding_ && current_ < keyset_.size() ? keyset_.at(current_) : 0;
    }
    // The identity of the contact shown, as it was when read: its rowid may since name another
    // contact. 0 when none is shown or the book keeps no identities.
    long long currentContact() const { return currentRowId() != 0 ? row_.identity() : 0; }
    // The rowid of the contact with this identity now; 0 when it is gone or cannot be read.
    long long rowOfContact(long long identity);
    // Whether another program (or connection) has written the book since the last call; this
    // source's own saves do not count.
    bool changedElsewhere() { return connection_.changedElsewhere(); }
    // Position in the result read so far (0-based); meaningful only with a current stored row.
    size_t position() const { return current_; }
    // The number of keys read so far and whether the whole result has been read.
    size_t keysRead() const { return keyset_.size(); }
    bool resultComplete() const { return keyset_.complete(); }

private:
    friend class rolvane::Recordset;
    friend class Operation;

    bool addNew();
    bool deleteCurrent();
    bool moveTo(size_t index, int step, Leaving leaving);

    bool ensureOpen(BookProblem& why);
    bool leaveRow(Leaving leaving);
    bool save(Leaving leaving);
    // Makes the row at `index` current, or the nearest one still stored in direction `step`;
    // `withKeys` when the keys were just read from the start, in the snapshot the row may share.
    bool land(size_t index, int step, bool withKeys = false);
    // Reads the current row again after a write, or shows nothing when it cannot be.
    void reshow();
    void readRestInIdleTime();
    // Readies the writer; over one connection the result is first read to its end, since it
    // would see the write. SQLITE_OK, else why nothing can be written.
    int readyToWrite();
    // A new row joins the result at its end, as the engine's results always did.
    void join(sqlite3_int64 rowid);
    bool fail(SourceNotice notice);
    bool fail(SourceNotice::What what, BookProblem problem = {});
    void tell(SourceNotice notice);

    BookConnection connection_;
    QString query_;
    QString translatedQuery_; // the query text last translated, and its keyset form
    QString translatedSql_;
    std::vector<std::string> translatedParameters_; // its literals, bound rather than written in
    Keyset keyset_;
    CurrentRow row_;
    QTimer idleReader_;
    size_t current_ = 0;
    bool onRow_ = false;  // a stored row was read and is shown
    bool adding_ = false; // a new row begun with AddNew
    bool saveFailed_ = false;
    bool keysetFailureTold_ = false;
    int depth_ = 0; // of nested operations; only the outermost one tells
    bool toldInOperation_ = false;
    std::vector<SourceNotice> notices_;
    rolvane::Recordset recordset_{*this};
};

inline bool Recordset::AddNew() {
    return source_.addNew();
}
inline bool Recordset::Delete() {
    return source_.deleteCurrent();
}
inline bool Recordset::isEOF() const {
    return !source_.hasCurrentRow();
}

} // namespace rolvane
