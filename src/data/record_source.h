// The record source: the one way to the contact table. It owns the connection, the query text,
// a lazily read keyset of the result and the current row, and fills the fields bound to it.
#pragma once

#include "bound_field.h"
#include "sqlite_db.h"

#include <QString>
#include <functional>
#include <vector>

namespace rolvane {

class RecordSource;

// The result of the query last run, with one current row or none. The moves write pending edits
// first and stop at either end.
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
    using Reporter = std::function<void(const QString& message)>;

    // The file is not touched until the first Refresh.
    explicit RecordSource(QString databasePath);
    ~RecordSource();
    RecordSource(const RecordSource&) = delete;
    RecordSource& operator=(const RecordSource&) = delete;

    // Every failure is told here, once, in plain words.
    void setReporter(Reporter reporter) { reporter_ = std::move(reporter); }

    const QString& databaseName() const { return path_; }
    const QString& recordSource() const { return query_; }
    // Stores the query text; nothing runs until Refresh.
    void setRecordSource(const QString& query) { query_ = query; }

    void bind(BoundField* field);
    void unbind(BoundField* field);

    // Writes pending edits, then runs the query text anew and shows its first row.
    bool Refresh();

    rolvane::Recordset& Recordset() { return recordset_; }
    const rolvane::Recordset& Recordset() const { return recordset_; }

    // Writes the texts of all bound fields into the current row, or stores the row begun by
    // AddNew.
    bool SaveRecord();
    // Writes typed changes, or drops an untouched new row, as leaving the row would.
    bool writePending() { return leaveRow(); }
    // Forgets typed but unsaved changes (End, or closing without saving).
    void discardPending();

    bool hasCurrentRow() const { return adding_ || current_ < keys_.size(); }
    bool isAdding() const { return adding_; }
    bool hasPendingEdits() const;
    // Position in the result read so far (0-based); meaningful only with a current stored row.
    size_t position() const { return current_; }
    // The number of keys read so far and whether the whole result has been read.
    size_t keysRead() const { return keys_.size(); }
    bool resultComplete() const { return !keyset_.isPrepared(); }

private:
    friend class rolvane::Recordset;
    bool addNew();
    bool deleteCurrent();
    bool moveFirst();
    bool movePrevious();
    bool moveNext();
    bool moveLast();

    static constexpr int kCheckpointFrames = 1000; // SQLite's own default
    static int afterCommit(void* self, sqlite3* db, const char* name, int frames);

    bool ensureOpen();
    bool fetchKey(); // reads one more key of the result; false at its end or on failure
    bool leaveRow(); // writes pending edits, or drops an untouched new row
    bool moveTo(size_t index);
    void showCurrent();
    void showNothing();
    bool writeRow();
    bool fail(const QString& message);
    QString describe(int rc, const sqlite::Connection& db, const QString& doing) const;

    QString path_;
    QString query_;
    Reporter reporter_;
    std::vector<BoundField*> fields_;

    sqlite::Connection reader_; // holds the keyset's snapshot while it is read
    sqlite::Connection writer_; // fetches the current row and writes
    sqlite::Statement keyset_;
    sqlite::Statement fetch_;
    sqlite::Statement remove_;
    std::vector<int> fieldColumns_; // fetch_'s column for each bound field, -1 for none
    QString translatedQuery_;       // the query text last translated, and its keyset form
    QString translatedSql_;
    std::vector<std::string> translatedParameters_; // its literals, bound rather than written in
    std::vector<sqlite3_int64> keys_;
    size_t current_ = 0;
    bool adding_ = false;
    bool readFailed_ = false; // the last read of the keyset failed, not merely ended
    int walFrames_ = 0;       // pages in the write-ahead log after the last commit
    rolvane::Recordset recordset_{*this};
};

inline bool Recordset::AddNew() {
    return source_.addNew();
}
inline bool Recordset::Delete() {
    return source_.deleteCurrent();
}
inline bool Recordset::MoveFirst() {
    return source_.moveFirst();
}
inline bool Recordset::MovePrevious() {
    return source_.movePrevious();
}
inline bool Recordset::MoveNext() {
    return source_.moveNext();
}
inline bool Recordset::MoveLast() {
    return source_.moveLast();
}
inline bool Recordset::isEOF() const {
    return !source_.hasCurrentRow();
}

} // namespace rolvane
