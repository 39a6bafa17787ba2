// SPDX-License-Identifier: GPL-3.0-or-later
// The record source over SQLite. The first row shows as soon as the first key is read; the rest of
// the keyset is read in idle time, so no read transaction outlives a second of idleness.
#include "record_source.h"

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
        if (!keyset_.readFor(kIdleSlice))
            idleReader_.stop();
    });
}

QStringList RecordSource::takeMessages() {
    return std::exchange(messages_, {});
}

void RecordSource::tell(const QString& message) {
    if (toldInOperation_ && depth_ > 0)
        return;
    toldInOperation_ = true;
    messages_ << message;
}

bool RecordSource::fail(const QString& message) {
    tell(message);
    return false;
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

bool RecordSource::ensureOpen(QString& why) {
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
    keysetFailureTold_ = false;
    current_ = 0;
    onRow_ = false;
    adding_ = false;
    row_.showNothing();
    QString why;
    if (!ensureOpen(why))
        return fail(QStringLiteral("Could not open the address book: %1").arg(why));
    if (query_ != translatedQuery_) {
        const jet::KeysetSql translated = jet::toKeysetSql(query_.toStdString());
        if (translated.sql.empty())
            return fail(QStringLiteral("Could not run the query: %1.")
                            .arg(QString::fromStdString(translated.error)));
        translatedQuery_ = query_;
        translatedSql_ = QString::fromStdString(translated.sql);
        translatedParameters_ = translated.parameters;
    }
    const sqlite::Connection& reader = connection_.reader();
    if (const int rc = keyset_.start(reader, translatedSql_, translatedParameters_);
        rc != SQLITE_OK)
        return fail(
            QStringLiteral("Could not run the query: %1").arg(connection_.reason(rc, reader)));
    const bool shown = land(0, +1);
    readRestInIdleTime();
    return shown;
}

bool RecordSource::land(size_t index, int step) {
    bool skipped = false;
    while (true) {
        while (index >= keyset_.size() && keyset_.readOne()) {
        }
        if (keyset_.failure() != SQLITE_OK && index >= keyset_.size() && !keysetFailureTold_) {
            keysetFailureTold_ = true;
            return fail(QStringLiteral("Could not read the list of contacts: %1")
                            .arg(connection_.reason(keyset_.failure(), connection_.reader())));
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
        const int rc = row_.read(connection_.writer(), keyset_.at(index));
        if (rc == SQLITE_ROW) {
            current_ = index;
            onRow_ = true;
            break;
        }
        if (rc != SQLITE_DONE) {
            // The row shown before stays current with its texts; nothing blank is left editable.
            if (!onRow_)
                row_.showNothing();
            return fail(QStringLiteral("Could not show the contact: %1")
                            .arg(connection_.reason(rc, connection_.writer())));
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
        tell(QStringLiteral("A contact of this list was deleted by another program since the list "
                            "was shown; it has been skipped."));
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
    return source_.moveTo(0, +1, RecordSource::Leaving::First);
}
bool Recordset::MovePrevious() {
    const size_t here = source_.current_;
    return source_.moveTo(here == 0 ? 0 : here - 1, here == 0 ? +1 : -1,
                          RecordSource::Leaving::Previous);
}
bool Recordset::MoveNext() {
    return source_.moveTo(source_.onRow_ ? source_.current_ + 1 : 0, +1,
                          RecordSource::Leaving::Next);
}
bool Recordset::MoveLast() {
    const Operation operation(source_);
    if (!source_.leaveRow(RecordSource::Leaving::Last))
        return false;
    while (source_.keyset_.readOne()) {
    }
    return source_.moveTo(size_t(-1), -1, RecordSource::Leaving::Last);
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
        return fail(QStringLiteral("Could not delete the contact: no contact is shown."));
    const int rc = row_.remove(connection_.writer(), keyset_.at(current_));
    if (rc == CurrentRow::kChangedElsewhere)
        return fail(QStringLiteral("Could not delete this contact: another program changed or "
                                   "deleted it since it was shown. A letter or Search shows the "
                                   "address book as it is now."));
    if (rc != SQLITE_DONE)
        return fail(QStringLiteral("Could not delete the contact: %1")
                        .arg(connection_.reason(rc, connection_.writer())));
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
        return fail(QStringLiteral("Could not save the contact: no contact is shown. "
                                   "Press Add to begin a new one."));
    QString why;
    if (!ensureOpen(why)) {
        saveFailed_ = true;
        return fail(notSaved(leaving, why));
    }
    const sqlite::Connection& writer = connection_.writer();
    const int rc = isNew ? row_.insert(writer) : row_.update(writer, keyset_.at(current_));
    if (rc == SQLITE_DONE) {
        saveFailed_ = false;
        adding_ = false;
        reshow();
        return true;
    }
    saveFailed_ = true;
    if (rc == CurrentRow::kChangedElsewhere)
        return fail(notSaved(leaving, QStringLiteral("another program changed or deleted this "
                                                     "contact since it was shown.")));
    return fail(notSaved(leaving, connection_.reason(rc, writer)));
}

QString RecordSource::notSaved(Leaving leaving, const QString& reason) const {
    static const char* const before[] = {"",
                                         " before moving to the first one",
                                         " before moving to the previous one",
                                         " before moving to the next one",
                                         " before moving to the last one",
                                         " before showing the contacts you asked for",
                                         " before beginning a new one",
                                         " before closing"};
    const bool isNew = adding_ || !onRow_;
    QString text = isNew ? QStringLiteral("The new contact could not be saved")
                         : QStringLiteral("Your changes to this contact could not be saved");
    text += QLatin1String(before[int(leaving)]) + QLatin1String(": ") + reason;
    if (leaving == Leaving::Close)
        return text + QStringLiteral("\n\nThe window stays open so that nothing you typed is "
                                     "lost. Press Esc to drop what you typed, or End to quit "
                                     "without saving it.");
    return text + QStringLiteral("\n\nWhat you typed is still on screen. Try again, or press Esc "
                                 "to drop it and show what is stored; a letter or Search then "
                                 "shows the address book as it is now.");
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
        return fail(QStringLiteral("This contact was deleted by another program. A letter or "
                                   "Search shows the address book as it is now."));
    return fail(QStringLiteral("Could not show the contact: %1")
                    .arg(connection_.reason(rc, connection_.writer())));
}

} // namespace rolvane
