// SPDX-License-Identifier: GPL-3.0-or-later
// Each file of the faulty VFS holds the default VFS's file right behind its own header and
// forwards every method to it; only the counted calls can fail.
#include "faulty_vfs.h"

#include <sqlite3.h>

namespace rolvane::test {

namespace {

struct State {
    sqlite3_vfs* real = nullptr;
    sqlite3_vfs vfs{};
    int counted = 0;
    int failAt = 0;
    int writeFailure = SQLITE_IOERR_WRITE;
    bool failed = false;
    bool sharedMemory = true;
    int syncs = 0;
    int unsyncedFiles = 0; // open files written since their last sync
};
State state;

struct File {
    sqlite3_file base;
    bool unsynced;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

File* file(sqlite3_file* f) {
    return reinterpret_cast<File*>(f);
}
sqlite3_file* real(sqlite3_file* f) {
    return file(f)->real();
}

// True when this counted call is the one to fail.
bool strike() {
    if (++state.counted != state.failAt)
        return false;
    state.failed = true;
    return true;
}

void markSynced(sqlite3_file* f, bool synced) {
    if (file(f)->unsynced == !synced)
        return;
    file(f)->unsynced = !synced;
    state.unsyncedFiles += synced ? -1 : 1;
}

int xClose(sqlite3_file* f) {
    markSynced(f, true);
    return real(f)->pMethods->xClose(real(f));
}
int xRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
    return strike() ? SQLITE_IOERR_READ : real(f)->pMethods->xRead(real(f), buffer, amount, offset);
}
int xWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
    if (strike())
        return state.writeFailure;
    const int rc = real(f)->pMethods->xWrite(real(f), buffer, amount, offset);
    if (rc == SQLITE_OK)
        markSynced(f, false);
    return rc;
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return real(f)->pMethods->xTruncate(real(f), size);
}
int xSync(sqlite3_file* f, int flags) {
    if (strike())
        return SQLITE_IOERR_FSYNC;
    const int rc = real(f)->pMethods->xSync(real(f), flags);
    if (rc == SQLITE_OK) {
        ++state.syncs;
        markSynced(f, true);
    }
    return rc;
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int level) {
    return real(f)->pMethods->xLock(real(f), level);
}
int xUnlock(sqlite3_file* f, int level) {
    return real(f)->pMethods->xUnlock(real(f), level);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int xShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
    return real(f)->pMethods->xShmMap(real(f), page, size, extend, out);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f) {
    real(f)->pMethods->xShmBarrier(real(f));
}
int xShmUnmap(sqlite3_file* f, int deleteFlag) {
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int xFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
    return real(f)->pMethods->xFetch(real(f), offset, amount, out);
}
int xUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
    return real(f)->pMethods->xUnfetch(real(f), offset, page);
}

const sqlite3_io_methods withShm = {3,
                                    xClose,
                                    xRead,
                                    xWrite,
                                    xTruncate,
                                    xSync,
                                    xFileSize,
                                    xLock,
                                    xUnlock,
                                    xCheckReservedLock,
                                    xFileControl,
                                    xSectorSize,
                                    xDeviceCharacteristics,
                                    xShmMap,
                                    xShmLock,
                                    xShmBarrier,
                                    xShmUnmap,
                                    xFetch,
                                    xUnfetch};
// Version 1 methods have no shared memory: SQLite then keeps the rollback journal.
sqlite3_io_methods versionOne(sqlite3_io_methods methods) {
    methods.iVersion = 1;
    methods.xShmMap = nullptr;
    methods.xShmLock = nullptr;
    methods.xShmBarrier = nullptr;
    methods.xShmUnmap = nullptr;
    methods.xFetch = nullptr;
    methods.xUnfetch = nullptr;
    return methods;
}
const sqlite3_io_methods withoutShm = versionOne(withShm);

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    File* ours = file(f);
    ours->base.pMethods = nullptr;
    ours->unsynced = false;
    const int rc = state.real->xOpen(state.real, name, ours->real(), flags, outFlags);
    if (rc == SQLITE_OK && ours->real()->pMethods)
        ours->base.pMethods = state.sharedMemory ? &withShm : &withoutShm;
    return rc;
}
int xDelete(sqlite3_vfs*, const char* name, int syncDir) {
    return state.real->xDelete(state.real, name, syncDir);
}
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return state.real->xAccess(state.real, name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return state.real->xFullPathname(state.real, name, size, out);
}
void* xDlOpen(sqlite3_vfs*, const char* name) {
    return state.real->xDlOpen(state.real, name);
}
void xDlError(sqlite3_vfs*, int size, char* out) {
    state.real->xDlError(state.real, size, out);
}
void (*xDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
    return state.real->xDlSym(state.real, handle, symbol);
}
void xDlClose(sqlite3_vfs*, void* handle) {
    state.real->xDlClose(state.real, handle);
}
int xRandomness(sqlite3_vfs*, int size, char* out) {
    return state.real->xRandomness(state.real, size, out);
}
int xSleep(sqlite3_vfs*, int micros) {
    return state.real->xSleep(state.real, micros);
}
int xCurrentTime(sqlite3_vfs*, double* out) {
    return state.real->xCurrentTime(state.real, out);
}
int xGetLastError(sqlite3_vfs*, int size, char* out) {
    return state.real->xGetLastError(state.real, size, out);
}
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
    return state.real->xCurrentTimeInt64(state.real, out);
}

} // namespace

FaultyVfs::FaultyVfs() {
    state = State();
    state.real = sqlite3_vfs_find(nullptr);
    sqlite3_vfs& v = state.vfs;
    v.iVersion = 2;
    v.szOsFile = int(sizeof(File)) + state.real->szOsFile;
    v.mxPathname = state.real->mxPathname;
    v.zName = "faulty";
    v.xOpen = xOpen;
    v.xDelete = xDelete;
    v.xAccess = xAccess;
    v.xFullPathname = xFullPathname;
    v.xDlOpen = xDlOpen;
    v.xDlError = xDlError;
    v.xDlSym = xDlSym;
    v.xDlClose = xDlClose;
    v.xRandomness = xRandomness;
    v.xSleep = xSleep;
    v.xCurrentTime = xCurrentTime;
    v.xGetLastError = xGetLastError;
    v.xCurrentTimeInt64 = xCurrentTimeInt64;
    sqlite3_vfs_register(&v, 1);
}

FaultyVfs::~FaultyVfs() {
    sqlite3_vfs_unregister(&state.vfs);
    sqlite3_vfs_register(state.real, 1);
}

void FaultyVfs::failAt(int n, int writeFailure) {
    state.counted = 0;
    state.failAt = n;
    state.writeFailure = writeFailure;
    state.failed = false;
}

int FaultyVfs::calls() const {
    return state.counted;
}

bool FaultyVfs::failed() const {
    return state.failed;
}

int FaultyVfs::syncs() const {
    return state.syncs;
}

int FaultyVfs::unsyncedFiles() const {
    return state.unsyncedFiles;
}

void FaultyVfs::setSharedMemory(bool offered) {
    state.sharedMemory = offered;
}

} // namespace rolvane::test
