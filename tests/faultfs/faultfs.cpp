// faultfs: a pass-through FUSE file system for the fault tests, which fails or
// corrupts chosen operations on chosen files (rules.h gives the rules).
//
//   faultfs SOURCE MOUNTPOINT [--rules=FILE] [FUSE options, e.g. -f -o allow_other]
//
// Every operation is done on the same name below SOURCE. The rules file is read again
// whenever it changes, so a test can plant and lift faults while the mount is in use
// (or rename a file into and out of a faulting name); an open file or folder keeps the
// faults of the name it was opened by. Attributes and names are never
// cached by the kernel, so what a test changes below SOURCE shows at once.
#define FUSE_USE_VERSION 31

#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "rules.h"

namespace {

using faultfs::Fault;

std::string g_source;
std::string g_rulesFile;

// The rules, read again when the rules file's time stamp or size changes.
class RuleBook {
public:
    std::shared_ptr<const std::vector<faultfs::Rule>> current() {
        std::lock_guard<std::mutex> guard(lock_);
        struct stat st {};
        if (g_rulesFile.empty() || stat(g_rulesFile.c_str(), &st) != 0) {
            rules_ = std::make_shared<std::vector<faultfs::Rule>>();
            return rules_;
        }
        if (rules_ && st.st_mtim.tv_sec == stamp_.tv_sec && st.st_mtim.tv_nsec == stamp_.tv_nsec && st.st_size == size_)
            return rules_;
        std::ifstream in(g_rulesFile);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string problem;
        auto parsed = faultfs::ParseRules(text, problem);
        if (!parsed)
            std::fprintf(stderr, "faultfs: %s: %s (no faults planted)\n", g_rulesFile.c_str(), problem.c_str());
        rules_ =
            std::make_shared<std::vector<faultfs::Rule>>(parsed ? std::move(*parsed) : std::vector<faultfs::Rule>{});
        stamp_ = st.st_mtim;
        size_ = st.st_size;
        return rules_;
    }

private:
    std::mutex lock_;
    std::shared_ptr<const std::vector<faultfs::Rule>> rules_;
    timespec stamp_{};
    off_t size_ = -1;
};

RuleBook g_rules;

// The error of a planted fault on `path` as a negative errno, or 0.
int Planted(const std::vector<faultfs::Rule>& rules, Fault fault, const char* path) {
    const faultfs::Rule* rule = faultfs::Find(rules, fault, path);
    return rule == nullptr ? 0 : -rule->error;
}

int Planted(Fault fault, const char* path) { return Planted(*g_rules.current(), fault, path); }

// An open file: its descriptor and the faults planted on it when it was opened (the
// operations on an open file are not given its name); for a stale-read fault, what
// the file held then.
struct Handle {
    int fd = -1;
    int readError = 0, writeError = 0, fsyncError = 0, flushError = 0;
    bool drop = false, stale = false;
    std::string snapshot;
};

Handle* HandleOf(const fuse_file_info* fi) { return reinterpret_cast<Handle*>(fi->fh); }

std::string Real(const char* path) { return g_source + path; }

int Result(int rc) { return rc < 0 ? -errno : 0; }

void* Init(fuse_conn_info*, fuse_config* cfg) {
    cfg->use_ino = 1;  // the source's inode numbers, which dravik keys open files by
    cfg->hard_remove = 1;
    cfg->nullpath_ok = 1;
    cfg->attr_timeout = 0;
    cfg->entry_timeout = 0;
    cfg->negative_timeout = 0;
    return nullptr;
}

// Set once a name of a poison rule was looked up: from then on every lookup and
// listing fails.
std::atomic<bool> g_poisoned{false};

int GetAttr(const char* path, struct stat* st, fuse_file_info* fi) {
    if (fi != nullptr) return Result(fstat(HandleOf(fi)->fd, st));
    if (g_poisoned) return -EIO;
    if (int planted = Planted(Fault::Poison, path); planted != 0) {
        g_poisoned = true;
        return planted;
    }
    int rc = Result(lstat(Real(path).c_str(), st));
    return rc == 0 ? Planted(Fault::Stat, path) : rc;
}

int ReadLink(const char* path, char* buffer, size_t size) {
    ssize_t got = readlink(Real(path).c_str(), buffer, size - 1);
    if (got < 0) return -errno;
    buffer[got] = '\0';
    return 0;
}

int MakeNode(const char* path, mode_t mode, dev_t device) { return Result(mknod(Real(path).c_str(), mode, device)); }
int MakeDir(const char* path, mode_t mode) { return Result(mkdir(Real(path).c_str(), mode)); }
// How many unlinks of each name a busy fault has failed.
std::mutex g_busyLock;
std::map<std::string, int> g_busyFailures;

int Unlink(const char* path) {
    if (int error = Planted(Fault::Unlink, path)) return error;
    if (int error = Planted(Fault::Busy, path)) {
        std::lock_guard<std::mutex> hold(g_busyLock);
        if (g_busyFailures[path]++ < 3) return error;
        g_busyFailures.erase(path);
    }
    return Result(unlink(Real(path).c_str()));
}
int RemoveDir(const char* path) { return Result(rmdir(Real(path).c_str())); }
int SymLink(const char* target, const char* path) { return Result(symlink(target, Real(path).c_str())); }
int Link(const char* from, const char* to) { return Result(link(Real(from).c_str(), Real(to).c_str())); }

int Chmod(const char* path, mode_t mode, fuse_file_info* fi) {
    if (fi != nullptr) return Result(fchmod(HandleOf(fi)->fd, mode));
    return Result(chmod(Real(path).c_str(), mode));
}

int Chown(const char* path, uid_t uid, gid_t gid, fuse_file_info* fi) {
    if (fi != nullptr) return Result(fchown(HandleOf(fi)->fd, uid, gid));
    return Result(lchown(Real(path).c_str(), uid, gid));
}

int Truncate(const char* path, off_t size, fuse_file_info* fi) {
    if (fi != nullptr) return Result(ftruncate(HandleOf(fi)->fd, size));
    return Result(truncate(Real(path).c_str(), size));
}

int Utimens(const char* path, const timespec times[2], fuse_file_info* fi) {
    if (fi != nullptr) return Result(futimens(HandleOf(fi)->fd, times));
    return Result(utimensat(AT_FDCWD, Real(path).c_str(), times, AT_SYMLINK_NOFOLLOW));
}

// Copies the whole of `from` over `to`, keeping its permission bits: the rename of a
// keepold fault.
int CopyOver(const std::string& from, const std::string& to, unsigned int flags) {
    struct stat st {};
    if (stat(from.c_str(), &st) != 0) return -errno;
    if ((flags & RENAME_NOREPLACE) != 0 && access(to.c_str(), F_OK) == 0) return -EEXIST;
    int in = open(from.c_str(), O_RDONLY);
    if (in < 0) return -errno;
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, st.st_mode & 07777);
    int rc = out < 0 ? -errno : 0;
    char buffer[65536];
    ssize_t got = 0;
    while (rc == 0 && (got = read(in, buffer, sizeof buffer)) > 0)
        if (write(out, buffer, static_cast<size_t>(got)) != got) rc = -EIO;
    if (rc == 0 && got < 0) rc = -errno;
    close(in);
    if (out >= 0 && close(out) != 0 && rc == 0) rc = -errno;
    return rc;
}

int Rename(const char* from, const char* to, unsigned int flags) {
    struct stat st {};
    if (Planted(Fault::KeepOld, from) != 0 && lstat(Real(from).c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return CopyOver(Real(from), Real(to), flags);
    return Result(renameat2(AT_FDCWD, Real(from).c_str(), AT_FDCWD, Real(to).c_str(), flags));
}

// Keeps `fd` for the file handle; direct I/O where a fault must see every transfer.
int Keep(const char* path, int fd, fuse_file_info* fi) {
    if (fd < 0) return -errno;
    auto handle = std::make_unique<Handle>();
    handle->fd = fd;
    auto rules = g_rules.current();
    fi->direct_io = faultfs::NeedsDirectIo(*rules, path) ? 1 : 0;
    handle->readError = Planted(*rules, Fault::Read, path);
    if (handle->readError == 0) handle->readError = Planted(*rules, Fault::Pagein, path);
    handle->writeError = Planted(*rules, Fault::Write, path);
    handle->fsyncError = Planted(*rules, Fault::Fsync, path);
    handle->flushError = Planted(*rules, Fault::Flush, path);
    handle->drop = Planted(*rules, Fault::Drop, path) != 0;
    handle->stale = Planted(*rules, Fault::Stale, path) != 0;
    if (handle->stale) {
        char buffer[65536];
        ssize_t got = 0;
        for (off_t at = 0; (got = pread(fd, buffer, sizeof buffer, at)) > 0; at += got)
            handle->snapshot.append(buffer, static_cast<size_t>(got));
    }
    fi->fh = reinterpret_cast<uint64_t>(handle.release());
    return 0;
}

int Open(const char* path, fuse_file_info* fi) {
    // O_RDWR where the caller asked for write-only, so that a stale snapshot can be read.
    int flags = fi->flags & ~O_ACCMODE;
    flags |= (fi->flags & O_ACCMODE) == O_RDONLY ? O_RDONLY : O_RDWR;
    int fd = open(Real(path).c_str(), flags);
    if (fd < 0 && (fi->flags & O_ACCMODE) == O_WRONLY) fd = open(Real(path).c_str(), fi->flags);
    return Keep(path, fd, fi);
}

int Create(const char* path, mode_t mode, fuse_file_info* fi) {
    return Keep(path, open(Real(path).c_str(), fi->flags | O_CREAT, mode), fi);
}

int Read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    Handle* handle = HandleOf(fi);
    if (handle->readError != 0) return handle->readError;
    if (handle->stale) {
        auto at = static_cast<size_t>(offset);
        if (at >= handle->snapshot.size()) return 0;
        size_t count = std::min(size, handle->snapshot.size() - at);
        std::copy_n(handle->snapshot.begin() + static_cast<std::ptrdiff_t>(at), count, buffer);
        return static_cast<int>(count);
    }
    ssize_t got = pread(handle->fd, buffer, size, offset);
    return got < 0 ? -errno : static_cast<int>(got);
}

int Write(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    Handle* handle = HandleOf(fi);
    if (handle->writeError != 0) return handle->writeError;
    if (handle->drop) return static_cast<int>(size);
    ssize_t put = pwrite(handle->fd, buffer, size, offset);
    return put < 0 ? -errno : static_cast<int>(put);
}

int StatFs(const char* path, struct statvfs* st) { return Result(statvfs(Real(path).c_str(), st)); }

// A close error of the source (a full disk found late) reaches the caller's close.
int Flush(const char*, fuse_file_info* fi) {
    if (HandleOf(fi)->flushError != 0) return HandleOf(fi)->flushError;
    return Result(close(dup(HandleOf(fi)->fd)));
}

int Release(const char*, fuse_file_info* fi) {
    std::unique_ptr<Handle> handle(HandleOf(fi));
    close(handle->fd);
    return 0;
}

int Fsync(const char*, int dataOnly, fuse_file_info* fi) {
    if (HandleOf(fi)->fsyncError != 0) return HandleOf(fi)->fsyncError;
    return Result(dataOnly != 0 ? fdatasync(HandleOf(fi)->fd) : fsync(HandleOf(fi)->fd));
}

int Fallocate(const char*, int mode, off_t offset, off_t length, fuse_file_info* fi) {
    return Result(fallocate(HandleOf(fi)->fd, mode, offset, length));
}

int SetXattr(const char* path, const char* name, const char* value, size_t size, int flags) {
    return Result(lsetxattr(Real(path).c_str(), name, value, size, flags));
}

int GetXattr(const char* path, const char* name, char* value, size_t size) {
    ssize_t got = lgetxattr(Real(path).c_str(), name, value, size);
    return got < 0 ? -errno : static_cast<int>(got);
}

int ListXattr(const char* path, char* list, size_t size) {
    ssize_t got = llistxattr(Real(path).c_str(), list, size);
    return got < 0 ? -errno : static_cast<int>(got);
}

int RemoveXattr(const char* path, const char* name) { return Result(lremovexattr(Real(path).c_str(), name)); }

// An open directory, and the error of a readdir fault planted when it was opened.
struct Directory {
    DIR* dir = nullptr;
    int error = 0;
};

Directory* DirectoryOf(const fuse_file_info* fi) { return reinterpret_cast<Directory*>(fi->fh); }

int OpenDir(const char* path, fuse_file_info* fi) {
    if (g_poisoned) return -EIO;
    auto directory = std::make_unique<Directory>();
    directory->dir = opendir(Real(path).c_str());
    if (directory->dir == nullptr) return -errno;
    directory->error = Planted(Fault::Readdir, path);
    fi->fh = reinterpret_cast<uint64_t>(directory.release());
    return 0;
}

int ReadDir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info* fi, fuse_readdir_flags) {
    Directory* directory = DirectoryOf(fi);
    if (directory->error != 0) return directory->error;
    rewinddir(directory->dir);
    errno = 0;
    while (dirent* entry = readdir(directory->dir)) {
        struct stat st {};
        st.st_ino = entry->d_ino;
        st.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
        if (fill(buffer, entry->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0)) != 0) break;
    }
    return -errno;
}

int ReleaseDir(const char*, fuse_file_info* fi) {
    std::unique_ptr<Directory> directory(DirectoryOf(fi));
    closedir(directory->dir);
    return 0;
}

fuse_operations Operations() {
    fuse_operations ops{};
    ops.init = Init;
    ops.getattr = GetAttr;
    ops.readlink = ReadLink;
    ops.mknod = MakeNode;
    ops.mkdir = MakeDir;
    ops.unlink = Unlink;
    ops.rmdir = RemoveDir;
    ops.symlink = SymLink;
    ops.rename = Rename;
    ops.link = Link;
    ops.chmod = Chmod;
    ops.chown = Chown;
    ops.truncate = Truncate;
    ops.utimens = Utimens;
    ops.open = Open;
    ops.create = Create;
    ops.read = Read;
    ops.write = Write;
    ops.statfs = StatFs;
    ops.flush = Flush;
    ops.release = Release;
    ops.fsync = Fsync;
    ops.fallocate = Fallocate;
    ops.setxattr = SetXattr;
    ops.getxattr = GetXattr;
    ops.listxattr = ListXattr;
    ops.removexattr = RemoveXattr;
    ops.opendir = OpenDir;
    ops.readdir = ReadDir;
    ops.releasedir = ReleaseDir;
    return ops;
}

struct Arguments {
    char* rules = nullptr;
    bool haveSource = false;
};

const fuse_opt kOptions[] = {{"--rules=%s", offsetof(Arguments, rules), 0}, FUSE_OPT_END};

// The first argument that is not an option is SOURCE, kept here; the rest go to FUSE.
int TakeSource(void* data, const char* arg, int key, fuse_args*) {
    auto* arguments = static_cast<Arguments*>(data);
    if (key != FUSE_OPT_KEY_NONOPT || arguments->haveSource) return 1;
    std::error_code error;
    g_source = std::filesystem::canonical(arg, error).string();
    arguments->haveSource = true;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fuse_args args = FUSE_ARGS_INIT(argc, argv);
    Arguments arguments;
    if (fuse_opt_parse(&args, &arguments, kOptions, TakeSource) != 0) return 2;
    if (!arguments.haveSource || g_source.empty()) {
        std::fprintf(stderr, "usage: faultfs SOURCE MOUNTPOINT [--rules=FILE] [FUSE options]\n");
        return 2;
    }
    // Absolute, because the daemon leaves the current directory.
    if (arguments.rules != nullptr) g_rulesFile = std::filesystem::absolute(arguments.rules).string();
    fuse_operations ops = Operations();
    int rc = fuse_main(args.argc, args.argv, &ops, nullptr);
    fuse_opt_free_args(&args);
    return rc;
}
