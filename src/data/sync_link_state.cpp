// SPDX-License-Identifier: GPL-3.0-or-later
// A reader under the write-ahead log never waits for the sync's writes, so this may run while a
// sync does.
#include "sync_link_state.h"

#include "sqlite_db.h"

#include <QFileInfo>

namespace rolvane {

namespace {

SyncLinkState unreadable(const sqlite::Connection& db) {
    SyncLinkState state;
    state.kind = SyncLinkState::Kind::Unreadable;
    state.why = db.lastError();
    return state;
}

} // namespace

SyncLinkState readSyncLink(const QString& bookPath) {
    if (!QFileInfo(bookPath).isFile())
        return {};
    sqlite::Connection db;
    if (db.openReadOnly(bookPath) != SQLITE_OK)
        return unreadable(db);
    const QString table = QString::fromLatin1(kSyncLinkTable);
    sqlite::Statement exists;
    if (exists.prepare(db, QStringLiteral("select count(*) from sqlite_schema where name = '%1'")
                               .arg(table)) != SQLITE_OK ||
        exists.step() != SQLITE_ROW)
        return unreadable(db);
    if (exists.columnInt64(0) == 0)
        return {};
    sqlite::Statement link;
    // A book the sync has not opened since the record of conflicts came has no such column.
    if (link.prepare(db, QStringLiteral("select [Name], [Url], [User], [Last Sync], "
                                        "[Last Result], [Conflicts] from [%1]")
                             .arg(table)) != SQLITE_OK &&
        link.prepare(db, QStringLiteral("select [Name], [Url], [User], [Last Sync], "
                                        "[Last Result], null from [%1]")
                             .arg(table)) != SQLITE_OK)
        return unreadable(db);
    const int rc = link.step();
    if (rc == SQLITE_DONE)
        return {};
    if (rc != SQLITE_ROW)
        return unreadable(db);
    SyncLinkState state;
    state.kind = SyncLinkState::Kind::Linked;
    state.name = link.columnText(0);
    state.url = link.columnText(1);
    state.user = link.columnText(2);
    state.lastSync = link.columnText(3);
    state.lastResult = link.columnText(4);
    const QStringList ids = link.columnText(5).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    link.finalize();
    if (ids.isEmpty())
        return state;
    sqlite::Statement name;
    if (name.prepare(db, QStringLiteral("select trim(coalesce([First Name], '') || ' ' || "
                                        "coalesce([Last Name], '')) from [Rolvane] where rowid = "
                                        "(select [Row] from [Rolvane Contact] where [Id] = ?) and "
                                        "instr([Comments], ?)")) != SQLITE_OK)
        return unreadable(db);
    for (const QString& id : ids) {
        name.reset();
        name.bindInt64(1, id.toLongLong());
        name.bindText(2, QString::fromLatin1(kConflictWords));
        if (name.step() == SQLITE_ROW)
            state.conflicted << name.columnText(0);
    }
    return state;
}

} // namespace rolvane
