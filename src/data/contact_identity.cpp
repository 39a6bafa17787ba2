// SPDX-License-Identifier: GPL-3.0-or-later
// Only SQLite's own functions in the triggers, so any tool that writes the book keeps them. They
// also count every change to the contacts, so a sync can tell that nothing changed unread. The
// insert trigger first drops an identity still naming the rowid: INSERT OR REPLACE with a rowid
// fires no delete trigger. The update trigger follows a rowid changed by UPDATE ... SET rowid.
#include "contact_identity.h"

#include "sqlite_db.h"

namespace rolvane {

const char* const kIdentityTable = "[Rolvane Contact]";

namespace {

constexpr const char* kInstall =
    "create table if not exists [Rolvane Contact] ([Id] integer primary key autoincrement, "
    "[Row] integer not null unique);"
    "create table if not exists [Rolvane Changes] ([Count] integer not null);"
    "insert into [Rolvane Changes] select 0 where not exists (select 1 from [Rolvane Changes]);"
    "create trigger if not exists [Rolvane Contact Insert] after insert on [Rolvane] begin "
    "delete from [Rolvane Contact] where [Row] = new.rowid; "
    "insert into [Rolvane Contact] ([Row]) values (new.rowid); "
    "update [Rolvane Changes] set [Count] = [Count] + 1; end;"
    "create trigger if not exists [Rolvane Contact Delete] after delete on [Rolvane] begin "
    "delete from [Rolvane Contact] where [Row] = old.rowid; "
    "update [Rolvane Changes] set [Count] = [Count] + 1; end;"
    "create trigger if not exists [Rolvane Contact Edit] after update on [Rolvane] begin "
    "update [Rolvane Changes] set [Count] = [Count] + 1; end;"
    "create trigger if not exists [Rolvane Contact Move] after update on [Rolvane] "
    "when new.rowid != old.rowid begin "
    "delete from [Rolvane Contact] where [Row] = new.rowid; "
    "update [Rolvane Contact] set [Row] = new.rowid where [Row] = old.rowid; end;"
    "delete from [Rolvane Contact] where [Row] not in (select rowid from [Rolvane]);"
    "insert into [Rolvane Contact] ([Row]) select rowid from [Rolvane] where rowid not in "
    "(select [Row] from [Rolvane Contact]) order by rowid;"
    // Whatever was written while the triggers were missing went uncounted.
    "update [Rolvane Changes] set [Count] = [Count] + 1;";

// The identities of a renumbered book name other contacts: they are all dropped and made anew.
constexpr const char* kRenumber = "delete from [Rolvane Contact];";

int countOf(const sqlite::Connection& db, const char* sql) {
    sqlite::Statement s;
    if (s.prepare(db, QString::fromLatin1(sql)) != SQLITE_OK || s.step() != SQLITE_ROW)
        return -1;
    return int(s.columnInt64(0));
}

} // namespace

int installContactIdentity(sqlite::Connection& db) {
    const bool made = countOf(db, "select count(*) from sqlite_schema where type = 'table' and "
                                  "name = 'Rolvane Contact'") == 1;
    if (made && !contactIdentitySound(db))
        if (const int rc = db.exec(kRenumber); rc != SQLITE_OK)
            return rc;
    return db.exec(kInstall);
}

bool contactIdentityInstalled(const sqlite::Connection& db) {
    return countOf(db, "select count(*) from sqlite_schema where type = 'trigger' and name in "
                       "('Rolvane Contact Insert', 'Rolvane Contact Delete', "
                       "'Rolvane Contact Move', 'Rolvane Contact Edit')") == 4;
}

bool contactIdentitySound(const sqlite::Connection& db) {
    // Lookups by rowid and by the unique index on [Row]: no temporary table of every rowid.
    return countOf(db, "select (select count(*) from [Rolvane Contact] c where not exists "
                       "(select 1 from [Rolvane] r where r.rowid = c.[Row])) + (select count(*) "
                       "from [Rolvane] r where not exists (select 1 from [Rolvane Contact] c "
                       "where c.[Row] = r.rowid))") == 0;
}

} // namespace rolvane
