// The record source over SQLite. Two connections: the keyset is read lazily through `reader_`,
// whose open read transaction (in WAL mode) keeps the result exactly as it was when the query ran,
// while `writer_` fetches rows and stores edits. A read-only file needs no second connection.
#include "record_source.h"

#include "address_book_file.h"
#include "contact_table.h"
#include "jet_dialect.h"
#include "jet_like.h"
#include "text_view.h"

#include <QFileInfo>
#include <QtDebug>

namespace rolvane {

RecordSource::RecordSource(QString databasePath) : path_(std::move(databasePath)) {}

RecordSource::~RecordSource() {
    // Statements go before their connections.
    keyset_.finalize();
    fetch_.finalize();
    remove_.finalize();
}

void RecordSource::bind(BoundField* field) {
    fields_.push_back(field);
    fieldColumns_.clear();
    field->setText(QString());
    field->setEdited(false);
    if (hasCurrentRow())
        showCurrent();
}

void RecordSource::unbind(BoundField* field) {
    std::erase(fields_, field);
    fieldColumns_.clear();
}

bool RecordSource::hasPendingEdits() const {
    for (const BoundField* field : fields_) {
        if (field->isEdited())
            return true;
    }
    return false;
}

bool RecordSource::fail(const QString& message) {
    if (reporter_)
        reporter_(message);
    else
        qWarning().noquote() << message;
    return false;
}

QString RecordSource::describe(int rc, const sqlite::Connection& db, const QString& doing) const {
    const QString why = db.lastError();
    QString reason;
    switch (rc) {
    case SQLITE_READONLY:
        reason = QStringLiteral("the address book file \"%1\" is read-only.").arg(path_);
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        reason = QStringLiteral("another program is using the address book file \"%1\". "
                                "Try again in a moment.")
                     .arg(path_);
        break;
    case SQLITE_NOTADB:
        reason = QStringLiteral("\"%1\" is not an address book file. It has been left unchanged.")
                     .arg(path_);
        break;
    case SQLITE_CORRUPT:
        reason = QStringLiteral("the address book file \"%1\" is damaged.").arg(path_);
        break;
    case SQLITE_FULL:
        reason = QStringLiteral("the disk that holds \"%1\" is full.").arg(path_);
        break;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
        reason = QStringLiteral("the address book file \"%1\" cannot be read or written (%2).")
                     .arg(path_, why);
        break;
    default:
        if (why.startsWith(QLatin1String("no such table")))
            reason = QStringLiteral("the address book file \"%1\" has no contact table \"%2\".")
                         .arg(path_, fromView(kTableName));
        else if (why.startsWith(QLatin1String("no such column")))
            reason = QStringLiteral("the contact table has %1.").arg(why);
        else
            reason = QStringLiteral("the database engine refused it (%1).").arg(why);
    }
    return QStringLiteral("Could not %1: %2").arg(doing, reason);
}

bool RecordSource::ensureOpen() {
    if (writer_.isOpen())
        return true;
    const QString doing = QStringLiteral("open the address book");
    if (!QFileInfo(path_).isFile())
        return fail(
            QStringLiteral("Could not open the address book: the file \"%1\" was not found. "
                           "Create it with the set-up tool: rolvane-db create --sample")
                .arg(path_));
    if (const int rc = writer_.open(path_); rc != SQLITE_OK) {
        const QString message = describe(rc, writer_, doing);
        writer_.close();
        return fail(message);
    }
    // Check the table and its columns before anything could write to the file.
    sqlite::Statement probe;
    const QString table = fromView(kTableName);
    if (const int rc =
            probe.prepare(writer_, QStringLiteral("select * from [%1] where 0").arg(table));
        rc != SQLITE_OK) {
        const QString message = describe(rc, writer_, doing);
        probe.finalize();
        writer_.close();
        return fail(message);
    }
    for (std::string_view column : kColumnNames) {
        const QString name = fromView(column);
        bool found = false;
        for (int i = 0; i < probe.columnCount() && !found; ++i)
            found = probe.columnName(i).compare(name, Qt::CaseInsensitive) == 0;
        if (!found) {
            probe.finalize();
            writer_.close();
            return fail(QStringLiteral("Could not open the address book: the contact table in "
                                       "\"%1\" has no column \"%2\".")
                            .arg(path_, name));
        }
    }
    probe.finalize();
    if (const QString why = prepareAddressBook(writer_); !why.isEmpty()) {
        writer_.close();
        return fail(why);
    }

    if (!writer_.isReadOnly() && writer_.exec("pragma journal_mode=wal") == SQLITE_OK &&
        reader_.open(path_) == SQLITE_OK) {
        jet::registerLikeFunction(reader_.get());
        sqlite3_wal_hook(writer_.get(), &RecordSource::afterCommit, this);
    } else {
        reader_.close();
    }
    jet::registerLikeFunction(writer_.get());
    return true;
}

bool RecordSource::fetchKey() {
    if (!keyset_.isPrepared())
        return false;
    const int rc = keyset_.step();
    if (rc == SQLITE_ROW) {
        keys_.push_back(keyset_.columnInt64(0));
        return true;
    }
    keyset_.finalize();
    if (rc != SQLITE_DONE) {
        readFailed_ = true;
        fail(describe(rc, reader_.isOpen() ? reader_ : writer_,
                      QStringLiteral("read the contacts")));
    }
    return false;
}

// Takes the place of SQLite's automatic checkpoint, which does the same after each commit but can
// copy back only what the keyset's snapshot no longer needs.
int RecordSource::afterCommit(void* self, sqlite3* db, const char* name, int frames) {
    static_cast<RecordSource*>(self)->walFrames_ = frames;
    if (frames >= kCheckpointFrames)
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    return SQLITE_OK;
}

bool RecordSource::Refresh() {
    if (!leaveRow())
        return false;
    keyset_.finalize();
    // A snapshot held since before the log last grew keeps the log from starting over, so it would
    // grow for as long as results stay open. With no snapshot held, finish copying it back now:
    // the next query then reads the file alone and the next commit starts the log afresh.
    if (walFrames_ >= kCheckpointFrames && writer_.isOpen()) {
        sqlite3_wal_checkpoint_v2(writer_.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                  nullptr);
        walFrames_ = 0;
    }
    std::vector<sqlite3_int64>().swap(keys_);
    current_ = 0;
    adding_ = false;
    if (!ensureOpen()) {
        showNothing();
        return false;
    }
    if (query_ != translatedQuery_) {
        const jet::KeysetSql translated = jet::toKeysetSql(query_.toStdString());
        if (translated.sql.empty()) {
            showNothing();
            return fail(QStringLiteral("Could not run the query: %1.")
                            .arg(QString::fromStdString(translated.error)));
        }
        translatedQuery_ = query_;
        translatedSql_ = QString::fromStdString(translated.sql);
        translatedParameters_ = translated.parameters;
    }
    const sqlite::Connection& db = reader_.isOpen() ? reader_ : writer_;
    int rc = keyset_.prepare(db, translatedSql_);
    if (rc == SQLITE_OK)
        rc = jet::bindParameters(keyset_.get(), translatedParameters_);
    if (rc != SQLITE_OK) {
        const QString message = describe(rc, db, QStringLiteral("run the query"));
        keyset_.finalize();
        showNothing();
        return fail(message);
    }
    readFailed_ = false;
    fetchKey();
    showCurrent();
    return !readFailed_;
}

bool RecordSource::leaveRow() {
    if (!hasPendingEdits()) {
        if (adding_) {
            adding_ = false; // an untouched new row is not stored
            showCurrent();
        }
        return true;
    }
    return SaveRecord();
}

bool RecordSource::moveTo(size_t index) {
    if (!leaveRow())
        return false;
    while (index >= keys_.size() && fetchKey()) {
    }
    if (keys_.empty()) {
        showNothing();
        return true;
    }
    current_ = std::min(index, keys_.size() - 1);
    showCurrent();
    return true;
}

bool RecordSource::moveFirst() {
    return moveTo(0);
}
bool RecordSource::moveNext() {
    return moveTo(keys_.empty() ? 0 : current_ + 1);
}
bool RecordSource::movePrevious() {
    return moveTo(current_ == 0 ? 0 : current_ - 1);
}

bool RecordSource::moveLast() {
    if (!leaveRow())
        return false;
    while (fetchKey()) {
    }
    return moveTo(keys_.empty() ? 0 : keys_.size() - 1);
}

bool RecordSource::addNew() {
    if (!leaveRow() || !ensureOpen())
        return false;
    adding_ = true;
    showNothing();
    return true;
}

bool RecordSource::deleteCurrent() {
    if (adding_) {
        adding_ = false; // the pending new row goes; no stored row is touched
        showCurrent();
        return true;
    }
    if (!hasCurrentRow())
        return fail(QStringLiteral("Could not delete the contact: no contact is shown."));
    int rc = SQLITE_OK;
    if (!remove_.isPrepared())
        rc = remove_.prepare(
            writer_, QStringLiteral("delete from [%1] where rowid = ?").arg(fromView(kTableName)));
    if (rc == SQLITE_OK) {
        remove_.bindInt64(1, keys_[current_]);
        rc = remove_.step();
        remove_.reset();
    }
    if (rc != SQLITE_DONE)
        return fail(describe(rc, writer_, QStringLiteral("delete the contact")));
    keys_.erase(keys_.begin() + std::ptrdiff_t(current_));
    // The row that followed takes its place.
    if (current_ >= keys_.size())
        fetchKey();
    if (current_ >= keys_.size() && current_ > 0)
        --current_;
    showCurrent();
    return true;
}

bool RecordSource::SaveRecord() {
    if (!hasCurrentRow())
        return fail(QStringLiteral("Could not save the contact: no contact is shown. "
                                   "Press Add to begin a new one."));
    if (!ensureOpen())
        return false;
    return writeRow();
}

bool RecordSource::writeRow() {
    const QString table = fromView(kTableName);
    QStringList columns;
    for (const BoundField* field : fields_)
        columns << QLatin1Char('[') + field->dataField() + QLatin1Char(']');
    QString sql;
    if (adding_) {
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        sql = QStringLiteral("insert into [%1] (%2) values (%3)")
                  .arg(table, columns.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
    } else {
        sql = QStringLiteral("update [%1] set %2 = ? where rowid = ?")
                  .arg(table, columns.join(QLatin1String(" = ?, ")));
    }
    const QString doing = QStringLiteral("save the contact");
    sqlite::Statement write;
    int rc = write.prepare(writer_, sql);
    if (rc == SQLITE_OK) {
        int index = 1;
        for (const BoundField* field : fields_)
            write.bindText(index++, field->text());
        if (!adding_)
            write.bindInt64(index, keys_[current_]);
        rc = write.step();
    }
    if (rc != SQLITE_DONE)
        return fail(describe(rc, writer_, doing));
    if (!adding_ && sqlite3_changes(writer_.get()) == 0)
        return fail(QStringLiteral("Could not save the contact: it is no longer in the address "
                                   "book (another program may have deleted it)."));
    for (BoundField* field : fields_)
        field->setEdited(false);
    if (adding_) {
        adding_ = false;
        showCurrent();
    }
    return true;
}

void RecordSource::discardPending() {
    adding_ = false;
    for (BoundField* field : fields_)
        field->setEdited(false);
}

void RecordSource::showNothing() {
    for (BoundField* field : fields_) {
        field->setText(QString());
        field->setEdited(false);
    }
}

void RecordSource::showCurrent() {
    if (adding_ || current_ >= keys_.size() || !writer_.isOpen())
        return showNothing();
    if (!fetch_.isPrepared()) {
        const QString table = fromView(kTableName);
        if (const int rc = fetch_.prepare(
                writer_, QStringLiteral("select * from [%1] where rowid = ?").arg(table));
            rc != SQLITE_OK) {
            fetch_.finalize();
            showNothing();
            fail(describe(rc, writer_, QStringLiteral("read the contact")));
            return;
        }
    }
    if (fieldColumns_.size() != fields_.size()) {
        // Which column feeds which field, worked out once rather than on every row shown.
        fieldColumns_.clear();
        for (const BoundField* field : fields_) {
            int column = -1;
            for (int i = 0; i < fetch_.columnCount() && column < 0; ++i) {
                if (fetch_.columnName(i).compare(field->dataField(), Qt::CaseInsensitive) == 0)
                    column = i;
            }
            fieldColumns_.push_back(column);
        }
    }
    fetch_.reset();
    fetch_.bindInt64(1, keys_[current_]);
    const int rc = fetch_.step();
    if (rc != SQLITE_ROW) {
        fetch_.reset();
        showNothing(); // gone since the query ran
        if (rc != SQLITE_DONE)
            fail(describe(rc, writer_, QStringLiteral("read the contact")));
        return;
    }
    for (size_t i = 0; i < fields_.size(); ++i) {
        const int column = fieldColumns_[i];
        fields_[i]->setText(column < 0 ? QString() : fetch_.columnText(column));
        fields_[i]->setEdited(false);
    }
    fetch_.reset();
}

} // namespace rolvane
