// SPDX-License-Identifier: GPL-3.0-or-later
// The RAII layer over SQLite: connections that never create files, statements bound as UTF-8.
#include "sqlite_db.h"

#include "name_collation.h"
#include "stale_shared_memory.h"

#include <QFileInfo>
#include <QUrl>

namespace rolvane::sqlite {

namespace {
// Long enough to ride out another program's short write, short enough never to feel like a hang.
constexpr int kBusyTimeoutMs = 2000;
constexpr int kBusyPollMs = 1;

// Tries again every millisecond. The sync writes in short transactions, one after another; the
// usual handler, sleeping up to 100 ms at a time, would wake inside the next one every time and
// a save could wait the whole sync out.
int pollBriefly(void*, int tries) {
    if (tries * kBusyPollMs >= kBusyTimeoutMs)
        return 0;
    sqlite3_sleep(kBusyPollMs);
    return 1;
}
} // namespace

int Connection::openWith(const QByteArray& name, int flags) {
    db_.reset();
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &raw, flags, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_busy_handler(raw, pollBriefly, nullptr);
    sqlite3_extended_result_codes(raw, 0);
    // Every index on names is in this order; without it SQLite refuses to write them.
    return collation::registerCollation(raw);
}

int Connection::open(const QString& path) {
    removeStaleSharedMemory(path);
    // Written in place, the file could never get its journal or log: open it for reading only.
    if (!QFileInfo(QFileInfo(path).absolutePath()).isWritable())
        return openReadOnly(path);
    const int rc = openWith(path.toUtf8(), SQLITE_OPEN_READWRITE);
    if (rc == SQLITE_CANTOPEN || rc == SQLITE_READONLY || rc == SQLITE_PERM)
        return openReadOnly(path);
    return rc;
}

int Connection::openReadOnly(const QString& path) {
    const int rc = openWith(path.toUtf8(), SQLITE_OPEN_READONLY);
    if (rc != SQLITE_OK || exec("pragma schema_version") == SQLITE_OK)
        return rc;
    // Under the write-ahead log a reader needs the shared-memory file, which a read-only folder
    // cannot take. With no log waiting to be copied back, the file alone holds the whole book
    // and nothing can change it while the folder stays read-only: read it as it lies.
    if (QFileInfo(path + QStringLiteral("-wal")).size() > 0)
        return rc;
    return openImmutable(path);
}

int Connection::openImmutable(const QString& path) {
    const QByteArray uri = QByteArrayLiteral("file:") +
                           QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/") +
                           QByteArrayLiteral("?immutable=1");
    return openWith(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

bool Connection::isReadOnly() const {
    return db_ && sqlite3_db_readonly(db_.get(), "main") == 1;
}

QString Connection::lastError() const {
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_.get())) : QString();
}

sqlite3_int64 Connection::dataVersion() const {
    Statement pragma;
    if (pragma.prepare(*this, QStringLiteral("pragma data_version")) != SQLITE_OK ||
        pragma.step() != SQLITE_ROW)
        return -1;
    return pragma.columnInt64(0);
}

bool Connection::inRead() const {
    for (sqlite3_stmt* s = sqlite3_next_stmt(db_.get(), nullptr); s;
         s = sqlite3_next_stmt(db_.get(), s))
        if (sqlite3_stmt_busy(s))
            return true;
    return false;
}

int Connection::exec(const char* sql) {
    return sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
}

QString Connection::useWriteAheadLog() {
    Statement pragma;
    if (pragma.prepare(*this, QStringLiteral("pragma journal_mode=wal")) != SQLITE_OK ||
        pragma.step() != SQLITE_ROW)
        return QString();
    return pragma.columnText(0).toLower();
}

int Statement::prepare(const Connection& db, const QString& sql) {
    stmt_.reset();
    sqlite3_stmt* raw = nullptr;
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db.get(), text.constData(), int(text.size()), &raw, nullptr);
    stmt_.reset(raw);
    return rc;
}

void Statement::bindText(int index, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    sqlite3_bind_text64(stmt_.get(), index, bytes.constData(), sqlite3_uint64(bytes.size()),
                        SQLITE_TRANSIENT, SQLITE_UTF8);
}

QString Statement::columnText(int index) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), index));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt_.get(), index)) : QString();
}

QString Statement::columnName(int index) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_.get(), index));
}

} // namespace rolvane::sqlite
