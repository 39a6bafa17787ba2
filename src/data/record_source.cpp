// SPDX-License-Identifier: GPL-3.0-or-later
// The record source over SQLite. The first row shows as soon as the first key is read; the rest of
// the keyset is read in idle time, so no read transaction outlives a second of idleness.
#include "record_source.h"

#include "contact_identity.h"
#include "jet_dialect.h"

#include <QCoreApplication>

namespace rolvane {

namespace {
// Short enough that the window stays responsive while a large result is read to its end.
constexpr std::chrono::milliseconds kIdleSlice{10};
// The first slice waits until the window has painted the first row.
constexpr std::chrono::milliseconds kIdleStart{20};
} // namespace

// One user action: whatever goes wrong inside it is told once.
class Operation {
public:
    explicit Operation(RecordSource& source) : source_(source) {
        if (source_.depth_++ == 0)
            source_.toldInOperation_ = false;
    }
    ~Operation() { --source_.depth_; }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

private:
    RecordSource& source_;
};

RecordSource::RecordSource(QString databasePath) : connection_(std::move(databasePath)) {
    QObject::connect(&idleReader_, &QTimer::timeout, [this] {
        idleReader_.setInterval(0);
        if (!keyset_.readFor(kIdleSlice)) {
            idleReader_.stop();
            connection_.checkpointIfDue();
        }
    });
}

std::vector<SourceNotice> RecordSource::takeNotices() {
    return std::exchange(notices_, {});
}

void RecordSource::tell(SourceNotice notice) {
    if (toldInOperation_ && depth_ > 0)
        return;
    toldInOperation_ = true;
    notices_.push_back(std::move(notice));
}

bool RecordSource::fail(SourceNotice notice) {
    tell(std::move(notice));
    return false;
}

bool RecordSource::fail(SourceNotice::What what, BookProblem problem) {
    return fail(SourceNotice{what, std::move(problem)});
}

void RecordSource::bind(BoundField* field) {
    row_.bind(field);
    field->setText(QString());
    field->setEdited(false);
    if (onRow_)
        reshow();
}

void RecordSource::unbind(BoundField* field) {
    row_.unbind(field);
}

bool RecordSource::ensureOpen(BookProblem& why) {
    return connection_.open(why);
}

void RecordSource::readRestInIdleTime() {
    // Without an event loop (a tool, a benchmark) the keys are read as the moves need them.
    if (!keyset_.complete() && QCoreApplication::instance())
        idleReader_.start(kIdleStart);
}

bool RecordSource::Refresh() {
    const Operation operation(*this);
    if (!leaveRow(Leaving::Refresh))
        return false;
    idleReader_.stop();
    keyset_.clear();
    connection_.checkpointIfDue();
    keysetFailureTold_ = false;
    current_ = 0;
    onRow_ = false;
    adding_ = false;
    row_.showNothing();
    BookProblem why;
    if (!ensureOpen(why))
        return fail(SourceNotice::What::NotOpened, why);
    row_.adoptFetch(connection_.takeRowFetch());
    if (query_ != translatedQuery_) {
        const jet::KeysetSql translated = jet::toKeysetSql(query_.toStdString());
        if (translated.sql.empty())
            return fail(SourceNotice::What::QueryFailed,
                        {BookProblem::Kind::BadQuery,
                         {},
                         QString::fromStdString(translated.pattern),
                         translated.fault});
        translatedQuery_ = query_;
        translatedSql_ = QString::fromStdString(translated.sql);
        translatedParameters_ = translated.parameters;
    }
    const sqlite::Connection& reader = connection_.reader();
    if (const int rc = keyset_.start(reader, translatedSql_, translatedParameters_);
        rc != SQLITE_OK)
        return fail(SourceNotice::What::QueryFailed, connection_.problem(rc, reader));
    const bool shown = land(0, +1, true);
    readRestInIdleTime();
    return shown;
}

bool RecordSource::land(size_t index, int step, bool withKeys) {
    bool skipped = false;
    const sqlite::Connection& rows = withKeys ? connection_.firstRowReader() : connection_.writer();
    while (true) {
        while (index >= keyset_.size() && keyset_.readOne()) {
        }
        if (keyset_.failure() != SQLITE_OK && index >= keyset_.size() && !keysetFailureTold_) {
            keysetFailureTold_ = true;
            return fail(SourceNotice::What::ListUnreadable,
                        connection_.problem(keyset_.failure(), connection_.reader()));
        }
        if (keyset_.empty()) {
            onRow_ = false;
            row_.showNothing();
            break;
        }
        if (index >= keyset_.size()) { // past the end: the last row, looking back from it
            index = keyset_.size() - 1;
            step = -1;
        }
        const int rc = row_.read(rows, keyset_.at(index));
        if (rc == SQLITE_ROW) {
            current_ = index;
            onRow_ = true;
            break;
        }
        if (rc != SQLITE_DONE) {
            // The row shown before stays current with its texts; nothing blank is left editable.
            if (!onRow_)
                row_.showNothing();
            return fail(SourceNotice::What::RowUnreadable, connection_.problem(rc, rows));
        }
        // Deleted since the query ran: forget its key and look on in the same direction.
        keyset_.erase(index);
        skipped = true;
        if (onRow_ && current_ == index)
            onRow_ = false;
        else if (onRow_ && current_ > index)
            --current_;
        if (step < 0) {
            if (index == 0)
                step = +1;
            else
                --index;
        }
    }
    if (skipped)
        tell({SourceNotice::What::RowsSkipped});
    return true;
}

void RecordSource::reshow() {
    if (onRow_ && current_ < keyset_.size() &&
        row_.read(connection_.writer(), keyset_.at(current_)) == SQLITE_ROW)
        return;
    onRow_ = false;
    row_.showNothing();
}

bool RecordSource::leaveRow(Leaving leaving) {
    if (!row_.hasEdits()) {
        if (adding_) {
            adding_ = false; // an untouched new row is not stored
            reshow();
        }
        return true;
    }
    return save(leaving);
}

bool RecordSource::moveTo(size_t index, int step, Leaving leaving) {
    const Operation operation(*this);
    if (!leaveRow(leaving))
        return false;
    if (!connection_.isOpen())
        return true; // nothing to move over; Refresh has told why
    return land(index, step);
}

bool Recordset::MoveFirst() {
    return source_.moveTo(0, +1, Leaving::First);
}
bool Recordset::MovePrevious() {
    const size_t here = source_.current_;
    return source_.moveTo(here == 0 ? 0 : here - 1, here == 0 ? +1 : -1, Leaving::Previous);
}
bool Recordset::MoveNext() {
    return source_.moveTo(source_.onRow_ ? source_.current_ + 1 : 0, +1, Leaving::Next);
}
bool Recordset::MoveLast() {
    const Operation operation(source_);
    if (!source_.leaveRow(Leaving::Last))
        return false;
    source_.keyset_.readToEnd();
    return source_.moveTo(size_t(-1), -1, Leaving::Last);
}

bool Recordset::MoveToRow(long long rowid) {
    const Operation operation(source_);
    if (!source_.leaveRow(Leaving::Refresh))
        return false;
    if (!source_.connection_.isOpen())
        return true;
    Keyset& keys = source_.keyset_;
    for (size_t i = 0;; ++i) {
        while (i >= keys.size() && keys.readOne()) {
        }
        if (i >= keys.size())
            return true;
        if (keys.at(i) == rowid)
            return source_.land(i, +1);
    }
}

bool RecordSource::addNew() {
    const Operation operation(*this);
    if (!leaveRow(Leaving::AddNew))
        return false;
    adding_ = true;
    row_.showNothing();
    return true;
}

bool RecordSource::deleteCurrent() {
    const Operation operation(*this);
    saveFailed_ = false;
    if (adding_ || (!onRow_ && row_.hasEdits())) {
        adding_ = false; // the pending new row goes; no stored row is touched
        reshow();
        return true;
    }
    if (!onRow_)
        return fail(SourceNotice::What::NothingToDelete);
    int rc = readyToWrite();
    if (rc == SQLITE_OK)
        rc = row_.remove(connection_.writer(), keyset_.at(current_));
    if (rc == CurrentRow::kChangedElsewhere)
        return fail(SourceNotice::What::DeleteConflict);
    if (rc != SQLITE_DONE)
        return fail(SourceNotice::What::DeleteFailed,
                    connection_.problem(rc, connection_.writer()));
    keyset_.erase(current_);
    onRow_ = false;
    // The row that followed takes its place.
    return land(current_, +1);
}

bool RecordSource::SaveRecord() {
    const Operation operation(*this);
    return save(Leaving::Nothing);
}

bool RecordSource::writePending() {
    const Operation operation(*this);
    return leaveRow(Leaving::Close);
}

bool RecordSource::save(Leaving leaving) {
    const bool isNew = adding_ || !onRow_;
    if (isNew && !adding_ && !row_.hasEdits())
        return fail(SourceNotice::What::NothingToSave);
    SourceNotice notSaved{SourceNotice::What::NotSaved, {}, leaving, isNew};
    if (!ensureOpen(notSaved.problem)) {
        saveFailed_ = true;
        return fail(std::move(notSaved));
    }
    int rc = readyToWrite();
    const sqlite::Connection& writer = connection_.writer();
    sqlite3_int64 added = 0;
    if (rc == SQLITE_OK)
        rc = isNew ? row_.insert(writer, added) : row_.update(writer, keyset_.at(current_));
    if (rc == SQLITE_DONE) {
        saveFailed_ = false;
        adding_ = false;
        if (isNew)
            join(added);
        reshow();
        return true;
    }
    saveFailed_ = true;
    if (rc == CurrentRow::kChangedElsewhere) {
        notSaved.what = SourceNotice::What::SaveConflict;
        return fail(std::move(notSaved));
    }
    notSaved.problem = connection_.problem(rc, writer);
    return fail(std::move(notSaved));
}

bool RecordSource::saveOverOtherChanges() {
    const Operation operation(*this);
    if (!onRow_ || adding_ || !row_.hasEdits())
        return save(Leaving::Nothing);
    int rc = readyToWrite();
    const sqlite::Connection& writer = connection_.writer();
    if (rc == SQLITE_OK)
        rc = row_.overwrite(writer, keyset_.at(current_));
    if (rc == CurrentRow::kChangedElsewhere) {
        // Deleted meanwhile: what the form shows becomes a new contact in the old one's place.
        sqlite3_int64 added = 0;
        rc = row_.insert(writer, added, true);
        if (rc == SQLITE_DONE)
            keyset_.replace(current_, added);
    }
    if (rc != SQLITE_DONE) {
        saveFailed_ = true;
        return fail({SourceNotice::What::NotSaved, connection_.problem(rc, writer),
                     Leaving::Nothing, false});
    }
    saveFailed_ = false;
    reshow();
    return true;
}

int RecordSource::readyToWrite() {
    const int rc = connection_.readyToWrite(); // settles whether the keys share the writer
    if (connection_.sharesOneConnection() && !keyset_.complete()) {
        idleReader_.stop();
        keyset_.readToEnd();
    }
    return rc;
}

void RecordSource::join(sqlite3_int64 rowid) {
    idleReader_.stop();
    keyset_.readToEnd();
    keyset_.append(rowid);
}

long long RecordSource::rowOfContact(long long identity) {
    if (!connection_.isOpen())
        return 0;
    sqlite::Statement find;
    if (find.prepare(connection_.writer(), QStringLiteral("select [Row] from %1 where [Id] = ?")
                                               .arg(QLatin1String(kIdentityTable))) != SQLITE_OK)
        return 0;
    find.bindInt64(1, identity);
    return find.step() == SQLITE_ROW ? find.columnInt64(0) : 0;
}

void RecordSource::discardPending() {
    adding_ = false;
    saveFailed_ = false;
    row_.clearEdits();
}

bool RecordSource::cancelEdits() {
    const Operation operation(*this);
    saveFailed_ = false;
    adding_ = false;
    if (!onRow_) {
        row_.showNothing();
        return true;
    }
    const int rc = row_.read(connection_.writer(), keyset_.at(current_));
    if (rc == SQLITE_ROW)
        return true;
    // Gone or unreadable: nothing stored can be shown, so nothing is left to edit over it.
    onRow_ = false;
    row_.showNothing();
    if (rc == SQLITE_DONE)
        return fail(SourceNotice::What::GoneWhenRestoring);
    return fail(SourceNotice::What::RowUnreadable, connection_.problem(rc, connection_.writer()));
}

} // namespace rolvane
