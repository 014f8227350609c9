#include "server/store/DatabaseBackup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include <sqlite3.h>

namespace {

constexpr int kBusyMilliseconds = 10000;
// A backup step that finds the source locked waits this long in all before giving up; the
// server's own writers wait 10 s for a lock, so this outlasts any one of them.
constexpr int kLockedRetries = 300;
constexpr int kLockedPauseMilliseconds = 100;

struct SqliteClose {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteClose>;

struct StatementFinalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

struct BackupFinish {
    void operator()(sqlite3_backup* backup) const { sqlite3_backup_finish(backup); }
};

std::string oneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

SqliteHandle openFile(const std::string& path, int flags, const std::string& what)
{
    sqlite3* raw = nullptr;
    const int status = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    SqliteHandle db(raw);
    if (status != SQLITE_OK)
        throw std::runtime_error("cannot open " + what + " " + path + ": " +
                                 (db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(status)));
    sqlite3_extended_result_codes(db.get(), 1);
    sqlite3_busy_timeout(db.get(), kBusyMilliseconds);
    return db;
}

// The first column of the first row as text; throws with SQLite's message.
std::string scalar(sqlite3* db, const std::string& sql, const std::string& what)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(what + ": " + sqlite3_errmsg(db));
    std::unique_ptr<sqlite3_stmt, StatementFinalize> statement(raw);
    const int status = sqlite3_step(raw);
    if (status != SQLITE_ROW)
        throw std::runtime_error(what + ": " + (status == SQLITE_DONE ? "no row" : sqlite3_errmsg(db)));
    const unsigned char* text = sqlite3_column_text(raw, 0);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// The copy in progress: removed, with any journal SQLite left beside it, unless kept.
class PartialFile {
public:
    explicit PartialFile(std::string path) : path_(std::move(path)) { removeAll(); }
    ~PartialFile()
    {
        if (!kept_)
            removeAll();
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    const std::string& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    void removeAll() const
    {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            ::unlink((path_ + suffix).c_str());
    }
    std::string path_;
    bool kept_ = false;
};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The data of the file, then its name in the folder, reach the disk before success is told.
void syncToDisk(const std::string& path, int flags)
{
    const FileDescriptor fd(::open(path.c_str(), flags | O_CLOEXEC));
    if (fd.get() < 0 || ::fsync(fd.get()) != 0)
        throw std::runtime_error("cannot write " + path + " to disk: " + std::strerror(errno));
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void copySnapshot(sqlite3* source, sqlite3* copy, const std::string& file)
{
    std::unique_ptr<sqlite3_backup, BackupFinish> backup(sqlite3_backup_init(copy, "main", source, "main"));
    if (!backup)
        throw std::runtime_error("cannot start the backup into " + file + ": " + sqlite3_errmsg(copy));
    // All pages in one step: one read transaction, so the copy is one snapshot. In WAL mode
    // the server's writers go on beside it.
    int status = SQLITE_OK;
    for (int attempt = 0; attempt <= kLockedRetries; ++attempt) {
        status = sqlite3_backup_step(backup.get(), -1);
        if (status != SQLITE_BUSY && status != SQLITE_LOCKED)
            break;
        sqlite3_sleep(kLockedPauseMilliseconds);
    }
    if (status != SQLITE_DONE)
        throw std::runtime_error("copying the database into " + file + " failed: " + sqlite3_errstr(status));
    const int finished = sqlite3_backup_finish(backup.release());
    if (finished != SQLITE_OK)
        throw std::runtime_error("copying the database into " + file + " failed: " + sqlite3_errmsg(copy));
}

} // namespace

BackupSummary backupDatabase(const std::string& databaseUrl, const std::string& file)
{
    const std::string scheme = "sqlite:";
    if (databaseUrl.compare(0, scheme.size(), scheme) != 0)
        throw BackupRefused("backup copies a SQLite database (sqlite:PATH); back up PostgreSQL with "
                            "pg_dump --format=custom (see docs/results-server.md)");
    const std::string path = databaseUrl.substr(scheme.size());
    if (path.empty())
        throw BackupRefused("the database URL sqlite: names no file");
    if (file.empty())
        throw BackupRefused("backup needs a FILE to write");

    // Without SQLITE_OPEN_CREATE: a database that is not there is an error, not a new file.
    const SqliteHandle source = openFile(path, SQLITE_OPEN_READWRITE, "the database");
    struct stat sourceStat {}, fileStat {};
    if (::stat(path.c_str(), &sourceStat) == 0 && ::stat(file.c_str(), &fileStat) == 0 &&
        sourceStat.st_dev == fileStat.st_dev && sourceStat.st_ino == fileStat.st_ino)
        throw BackupRefused(file + " is the database itself; choose another file");
    scalar(source.get(), "SELECT MAX(version) FROM schema_version",
           path + " is not a Korvid results database");

    PartialFile partial(file + ".partial");
    BackupSummary summary;
    {
        SqliteHandle copy = openFile(partial.path(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, "the copy");
        copySnapshot(source.get(), copy.get(), file);
        // One file that opens anywhere: the copy of a WAL database would want a log beside it.
        const std::string mode = scalar(copy.get(), "PRAGMA journal_mode=DELETE", "making the copy one file");
        if (mode != "delete")
            throw std::runtime_error("the copy kept journal mode " + mode);
        const std::string check = scalar(copy.get(), "PRAGMA quick_check", "checking the copy");
        if (check != "ok")
            throw std::runtime_error("the copy in " + partial.path() + " fails its check: " + oneLine(check));
        summary.schemaVersion = std::stoi(scalar(copy.get(), "SELECT MAX(version) FROM schema_version", "reading the copy"));
        summary.results = std::stoll(scalar(copy.get(), "SELECT COUNT(*) FROM results", "reading the copy"));
        // A close that fails would leave pages unwritten: told, not ignored.
        sqlite3* raw = copy.release();
        if (sqlite3_close(raw) != SQLITE_OK) {
            const std::string message = sqlite3_errmsg(raw);
            sqlite3_close_v2(raw);
            throw std::runtime_error("cannot close the copy " + partial.path() + ": " + message);
        }
    }
    syncToDisk(partial.path(), O_RDONLY);
    if (::rename(partial.path().c_str(), file.c_str()) != 0)
        throw std::runtime_error("cannot rename " + partial.path() + " to " + file + ": " + std::strerror(errno));
    partial.keep();
    syncToDisk(folderOf(file), O_RDONLY | O_DIRECTORY);
    struct stat written {};
    if (::stat(file.c_str(), &written) == 0)
        summary.bytes = written.st_size;
    return summary;
}
