#include "shell/FaultyFiles.h"

#include <QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <new>

namespace tq::shell::testing {

namespace {

// The faults asked for; the VFS callbacks have no other way to reach them.
struct Faults {
    sqlite3_vfs* real = nullptr;
    sqlite3_vfs vfs{};
    QString failWrites;
    QString hookFile;
    std::function<void()> hook;
};
Faults* g_faults = nullptr;

// SQLite allocates szOsFile bytes for a file: this header, then the real
// VFS's file right after it.
struct FaultyFile {
    sqlite3_file base;
    bool failWrites;
    bool runHook;
};

sqlite3_file* realFile(sqlite3_file* file)
{
    return reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + sizeof(FaultyFile));
}

FaultyFile* faulty(sqlite3_file* file)
{
    return reinterpret_cast<FaultyFile*>(file);
}

bool sameFile(const char* name, const QString& path)
{
    return name && !path.isEmpty() && QFileInfo(QString::fromUtf8(name)) == QFileInfo(path);
}

int fClose(sqlite3_file* file)
{
    sqlite3_file* real = realFile(file);
    const int rc = real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
    if (faulty(file)->runHook && g_faults && g_faults->hook)
        g_faults->hook();
    return rc;
}
int fRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return realFile(f)->pMethods->xRead(realFile(f), b, n, o); }
int fWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o)
{
    if (faulty(f)->failWrites)
        return SQLITE_IOERR_WRITE;
    return realFile(f)->pMethods->xWrite(realFile(f), b, n, o);
}
int fTruncate(sqlite3_file* f, sqlite3_int64 size) { return realFile(f)->pMethods->xTruncate(realFile(f), size); }
int fSync(sqlite3_file* f, int flags) { return realFile(f)->pMethods->xSync(realFile(f), flags); }
int fFileSize(sqlite3_file* f, sqlite3_int64* size) { return realFile(f)->pMethods->xFileSize(realFile(f), size); }
int fLock(sqlite3_file* f, int level) { return realFile(f)->pMethods->xLock(realFile(f), level); }
int fUnlock(sqlite3_file* f, int level) { return realFile(f)->pMethods->xUnlock(realFile(f), level); }
int fCheckReservedLock(sqlite3_file* f, int* out) { return realFile(f)->pMethods->xCheckReservedLock(realFile(f), out); }
int fFileControl(sqlite3_file* f, int op, void* arg) { return realFile(f)->pMethods->xFileControl(realFile(f), op, arg); }
int fSectorSize(sqlite3_file* f) { return realFile(f)->pMethods->xSectorSize(realFile(f)); }
int fDeviceCharacteristics(sqlite3_file* f) { return realFile(f)->pMethods->xDeviceCharacteristics(realFile(f)); }
int fShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** p)
{
    return realFile(f)->pMethods->xShmMap(realFile(f), page, size, extend, p);
}
int fShmLock(sqlite3_file* f, int offset, int n, int flags) { return realFile(f)->pMethods->xShmLock(realFile(f), offset, n, flags); }
void fShmBarrier(sqlite3_file* f) { realFile(f)->pMethods->xShmBarrier(realFile(f)); }
int fShmUnmap(sqlite3_file* f, int deleteFlag) { return realFile(f)->pMethods->xShmUnmap(realFile(f), deleteFlag); }

// Version 2 methods: no memory-mapped reads, so every read goes through xRead.
const sqlite3_io_methods kMethods = {2,        fClose,       fRead,    fWrite,      fTruncate,
                                     fSync,    fFileSize,    fLock,    fUnlock,     fCheckReservedLock,
                                     fFileControl, fSectorSize, fDeviceCharacteristics, fShmMap, fShmLock,
                                     fShmBarrier, fShmUnmap, nullptr, nullptr};

int fOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    FaultyFile* header = new (file) FaultyFile{};
    sqlite3_file* real = realFile(file);
    const int rc = g_faults->real->xOpen(g_faults->real, name, real, flags, outFlags);
    // SQLite calls xClose only when pMethods is set, also after a failed open.
    header->base.pMethods = real->pMethods ? &kMethods : nullptr;
    if (flags & SQLITE_OPEN_MAIN_DB) {
        header->failWrites = sameFile(name, g_faults->failWrites);
        header->runHook = (flags & SQLITE_OPEN_READONLY) && sameFile(name, g_faults->hookFile);
    }
    return rc;
}

} // namespace

FaultyFiles::FaultyFiles()
{
    EXPECT_EQ(g_faults, nullptr) << "one FaultyFiles at a time";
    g_faults = new Faults;
    g_faults->real = sqlite3_vfs_find(nullptr);
    // Everything but the name, the file size and xOpen stays the real VFS's:
    // its other methods read nothing of the VFS object but pAppData, kept too.
    g_faults->vfs = *g_faults->real;
    g_faults->vfs.pNext = nullptr;
    g_faults->vfs.zName = "tq-faulty-files";
    g_faults->vfs.szOsFile = int(sizeof(FaultyFile)) + g_faults->real->szOsFile;
    g_faults->vfs.xOpen = fOpen;
    EXPECT_EQ(sqlite3_vfs_register(&g_faults->vfs, 1), SQLITE_OK);
}

FaultyFiles::~FaultyFiles()
{
    sqlite3_vfs_unregister(&g_faults->vfs);
    sqlite3_vfs_register(g_faults->real, 1);
    delete g_faults;
    g_faults = nullptr;
}

void FaultyFiles::failWritesTo(const QString& path)
{
    g_faults->failWrites = path;
}

void FaultyFiles::afterReadOnlyClose(const QString& path, std::function<void()> hook)
{
    g_faults->hookFile = path;
    g_faults->hook = std::move(hook);
}

} // namespace tq::shell::testing
