// Directory and name calls: CreateDirectoryA, RemoveDirectoryA, SetCurrentDirectoryA,
// DeleteFileA, MoveFileA and CopyFileA, with the codes that Win32 gives for existing
// targets (183, or 80 for a copy that must not replace), open files (32), read-only
// files (5) and missing names (2 for the last component, 3 for a directory on the way).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/posix/case_lookup.h"
#include "platform/posix/data_open.h"
#include "platform/posix/dos_attributes.h"
#include "platform/posix/errors.h"
#include "platform/posix/file_times.h"
#include "platform/posix/mapping.h"
#include "platform/posix/name_args.h"
#include "platform/posix/sharing.h"
#include "platform/posix/win32_api.h"

namespace {

using posix::Fail;

// The code for a name whose lstat failed with errno: 2 when only the last component
// is missing, 3 when a directory on the way is missing or is a file.
DWORD MissingNameError(const std::string& path) { return posix::Win32ErrorFromErrno(errno, path); }

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The target of a move or copy: it may be longer than MAX_PATH, and an unmapped drive
// there reads as a missing file. A DOS device name is refused as ResolveName refuses it.
bool ResolveTarget(LPCSTR name, posix::ResolvedName& target, DWORD& error) {
    if (!posix::ResolveName(name, target, error, posix::NameUse::Plain, false)) {
        if (error == ERROR_PATH_NOT_FOUND && name != nullptr && *name != '\0') error = ERROR_FILE_NOT_FOUND;
        return false;
    }
    if (target.device == posix::DosDevice::None) return true;
    error = target.device == posix::DosDevice::Nul ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    return false;
}

// The state of the directory that would hold path: 0 when it exists, else 3.
DWORD ParentError(const std::string& path) {
    std::string trimmed = posix::WithoutTrailingSlash(path);
    std::string::size_type slash = trimmed.rfind('/');
    if (slash == std::string::npos) return 0;
    std::string parent = slash == 0 ? "/" : trimmed.substr(0, slash);
    struct stat st;
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : ERROR_PATH_NOT_FOUND;
}

bool IsCurrentDirectory(const struct stat& st) {
    struct stat cwd;
    return stat(".", &cwd) == 0 && SameFile(cwd, st);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Writes the whole buffer; false with errno set.
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Copies every byte of in to out. Gives 0 or a Win32 code.
DWORD CopyData(int in, int out, const std::string& source, const std::string& target) {
    static char buffer[1 << 16];
    for (;;) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return posix::Win32ErrorFromErrno(errno, source);
        }
        if (got == 0) return 0;
        if (!WriteAll(out, buffer, static_cast<size_t>(got))) return posix::Win32ErrorFromErrno(errno, target);
    }
}

// The folder that holds path.
std::string FolderOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Fills the file at temporary (open as out), which will bear target's name, from source:
// data, last-access and last-write times, and the source's attributes with ARCHIVE added,
// as for every newly written file. Gives 0 or a Win32 code.
DWORD FillCopy(const std::string& source, const posix::FileStatus& sourceStatus, int out, const std::string& temporary,
               const std::string& target) {
    DWORD error = 0;
    Descriptor in(posix::OpenData(source, O_RDONLY | O_CLOEXEC, error));
    if (in.get() < 0) return error;
    if (DWORD copyError = CopyData(in.get(), out, source, temporary)) return copyError;
    struct timespec times[2] = {sourceStatus.st.st_atim, sourceStatus.st.st_mtim};
    if (futimens(out, times) != 0) return posix::Win32ErrorFromErrno(errno, temporary);
    DWORD bits = posix::GetAttributeBits(source, sourceStatus.st);
    if (bits == FILE_ATTRIBUTE_NORMAL) bits = 0;
    std::string::size_type slash = target.rfind('/');
    return posix::SetAttributeBits(temporary, target.substr(slash == std::string::npos ? 0 : slash + 1),
                                   bits | FILE_ATTRIBUTE_ARCHIVE);
}

// Copies a regular file (sourceStatus) into the target that handles of the process
// hold open: they see the new contents, as on Windows. Gives 0 or a Win32 code.
DWORD CopyIntoOpenTarget(const std::string& source, const posix::FileStatus& sourceStatus, const std::string& target) {
    DWORD error = 0;
    int out = posix::OpenData(target, O_WRONLY | O_TRUNC | O_CLOEXEC, error);
    if (out < 0) return error;
    error = FillCopy(source, sourceStatus, out, target, target);
    if (close(out) != 0 && error == 0) error = posix::Win32ErrorFromErrno(errno, target);
    return error;
}

// Copies a regular file (sourceStatus) to target. Unless the target is open, the copy
// is made under a temporary name in the target's folder and renamed over the target
// once complete, so a copy that fails half-way leaves the target as it was (absent, or
// with its old contents). Gives 0 or a Win32 code.
DWORD CopyContents(const std::string& source, const posix::FileStatus& sourceStatus, const std::string& target,
                   const struct stat* targetStat) {
    if (targetStat != nullptr && posix::IsOpen(targetStat->st_dev, targetStat->st_ino))
        return CopyIntoOpenTarget(source, sourceStatus, target);
    std::string temporary = FolderOf(target) + "/.dravik-copy-XXXXXX";
    int out = mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) return posix::Win32ErrorFromErrno(errno, target);
    // mkstemp makes the file for its owner only; a copy gets what a new file gets.
    mode_t mask = umask(0);
    umask(mask);
    DWORD error = fchmod(out, 0666 & ~mask) != 0 ? posix::Win32ErrorFromErrno(errno, temporary)
                                                 : FillCopy(source, sourceStatus, out, temporary, target);
    // A file system may refuse the data only when the file is closed.
    if (close(out) != 0 && error == 0) error = posix::Win32ErrorFromErrno(errno, target);
    if (error == 0 && rename(temporary.c_str(), target.c_str()) != 0) error = posix::Win32ErrorFromErrno(errno, target);
    if (error != 0) unlink(temporary.c_str());
    return error;
}

// Deletes the source of a move across file systems. A server that still holds the
// file open (EBUSY on an SMB mount) is given a short while to let it go.
bool UnlinkMovedSource(const std::string& source) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (unlink(source.c_str()) == 0) return true;
        if (errno != EBUSY) return false;
        struct timespec pause {
            0, 50L * 1000 * 1000
        };
        nanosleep(&pause, nullptr);
    }
    return false;
}

}  // namespace

BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    std::string path;
    DWORD error = 0;
    if (!posix::ResolveName(lpPathName, path, error)) return Fail(error);
    path = posix::WithoutTrailingSlash(path);
    if (mkdir(path.c_str(), 0777) == 0) return TRUE;
    return posix::FailFromErrno(posix::ErrnoUse::MakeDirectory, path);
}

BOOL RemoveDirectoryA(LPCSTR lpPathName) {
    std::string path;
    DWORD error = 0;
    if (!posix::ResolveName(lpPathName, path, error)) return Fail(error);
    path = posix::WithoutTrailingSlash(path);
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return Fail(MissingNameError(path));
    if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
    // The process's current directory and a directory open elsewhere are in use.
    if (IsCurrentDirectory(st) || posix::OpenWithoutDeleteSharing(st.st_dev, st.st_ino))
        return Fail(ERROR_SHARING_VIOLATION);
    if (posix::IsReadOnly(path, st)) return Fail(ERROR_ACCESS_DENIED);
    if (rmdir(path.c_str()) == 0) return TRUE;
    return posix::FailFromErrno(posix::ErrnoUse::RemoveDirectory, path);
}

BOOL SetCurrentDirectoryA(LPCSTR lpPathName) {
    std::string path;
    DWORD error = 0;
    if (!posix::ResolveName(lpPathName, path, error)) return Fail(error);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Fail(MissingNameError(path));
    if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
    if (chdir(path.c_str()) != 0) return posix::FailFromErrno(path);
    return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
    std::string path;
    DWORD error = 0;
    if (!posix::ResolveName(lpFileName, path, error)) return Fail(error);
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return Fail(MissingNameError(path));
    if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    // Windows refuses to delete a read-only file whatever the caller's rights.
    if (!S_ISLNK(st.st_mode) && posix::IsReadOnly(path, st)) return Fail(ERROR_ACCESS_DENIED);
    if (posix::DeletePending(st.st_dev, st.st_ino)) return Fail(ERROR_ACCESS_DENIED);
    if (posix::OpenWithoutDeleteSharing(st.st_dev, st.st_ino)) return Fail(ERROR_SHARING_VIOLATION);
    // A file that is still open keeps its name until its last handle closes.
    if (posix::DeleteAtLastClose(st.st_dev, st.st_ino, path)) return TRUE;
    if (unlink(path.c_str()) != 0) return posix::FailFromErrno(path);
    return TRUE;
}

BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
    std::string source;
    posix::ResolvedName resolvedTarget;
    DWORD error = 0;
    if (!posix::ResolveName(lpExistingFileName, source, error)) return Fail(error);
    if (!ResolveTarget(lpNewFileName, resolvedTarget, error)) return Fail(error);
    source = posix::WithoutTrailingSlash(source);
    // The target as written: a move onto another spelling of its own name renames it.
    std::string target = posix::WithoutTrailingSlash(resolvedTarget.given);
    std::string existing = posix::WithoutTrailingSlash(resolvedTarget.path);
    struct stat sourceStat;
    if (lstat(source.c_str(), &sourceStat) != 0) return Fail(MissingNameError(source));
    struct stat targetStat;
    if (lstat(existing.c_str(), &targetStat) == 0) {
        bool ownName =
            source == existing || (SameFile(sourceStat, targetStat) && posix::SameNameIgnoringCase(source, existing));
        if (!ownName) return Fail(ERROR_ALREADY_EXISTS);
        // Onto its own name as it is spelled: nothing changes, and that succeeds.
        if (target == source) return TRUE;
    }
    if (DWORD parent = ParentError(target)) return Fail(parent);
    if (posix::DeletePending(sourceStat.st_dev, sourceStat.st_ino)) return Fail(ERROR_ACCESS_DENIED);
    if (posix::OpenWithoutDeleteSharing(sourceStat.st_dev, sourceStat.st_ino)) return Fail(ERROR_SHARING_VIOLATION);
    if (rename(source.c_str(), target.c_str()) == 0) return TRUE;
    if (errno != EXDEV) return posix::FailFromErrno(target);
    // Another file system: a file is copied and then deleted, as Windows does; a
    // directory cannot be moved there.
    if (S_ISDIR(sourceStat.st_mode)) return Fail(ERROR_NOT_SAME_DEVICE);
    posix::FileStatus status;
    if (!posix::ReadFileStatus(source, status)) return posix::FailFromErrno(source);
    if (DWORD copyError = CopyContents(source, status, target, nullptr)) return Fail(copyError);
    // The file ends in exactly one place: where the source cannot go, the copy goes.
    if (!UnlinkMovedSource(source)) {
        DWORD code = posix::Win32ErrorFromErrno(errno, source);
        unlink(target.c_str());
        return Fail(code);
    }
    return TRUE;
}

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    std::string source;
    posix::ResolvedName resolvedTarget;
    DWORD error = 0;
    if (!posix::ResolveName(lpExistingFileName, source, error)) return Fail(error);
    if (!ResolveTarget(lpNewFileName, resolvedTarget, error)) return Fail(error);
    std::string target = resolvedTarget.path;
    posix::FileStatus sourceStatus;
    if (!posix::ReadFileStatus(source, sourceStatus)) return Fail(MissingNameError(source));
    // A directory cannot be copied, nor a file that waits for its last close to go.
    if (S_ISDIR(sourceStatus.st.st_mode) || posix::DeletePending(sourceStatus.st.st_dev, sourceStatus.st.st_ino))
        return Fail(ERROR_ACCESS_DENIED);
    if (posix::IsUnopenableKind(sourceStatus.st.st_mode)) return Fail(ERROR_CANT_ACCESS_FILE);
    struct stat targetStat;
    bool targetExists = stat(target.c_str(), &targetStat) == 0;
    if (!targetExists && errno != ENOENT) return Fail(MissingNameError(target));
    if (!targetExists) {
        if (DWORD parent = ParentError(target)) return Fail(parent);
    } else {
        if (S_ISDIR(targetStat.st_mode)) return Fail(ERROR_ACCESS_DENIED);
        if (posix::IsUnopenableKind(targetStat.st_mode)) return Fail(ERROR_CANT_ACCESS_FILE);
        if (bFailIfExists) return Fail(ERROR_FILE_EXISTS);
        // A copy onto itself would destroy the source.
        if (SameFile(sourceStatus.st, targetStat)) return Fail(ERROR_SHARING_VIOLATION);
        // Windows will not replace a read-only or hidden file.
        DWORD bits = posix::GetAttributeBits(target, targetStat);
        if (bits & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) return Fail(ERROR_ACCESS_DENIED);
    }
    // The source is opened for reading with read and write sharing, the target as a
    // writer that shares reading and writing; a target with a mapped view cannot be
    // cut (file.c test_CopyFileA asserts these of Windows).
    constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (posix::CheckSharing(sourceStatus.st.st_dev, sourceStatus.st.st_ino, GENERIC_READ, kShareReadWrite) != 0)
        return Fail(ERROR_SHARING_VIOLATION);
    if (targetExists) {
        if (posix::CheckSharing(targetStat.st_dev, targetStat.st_ino, GENERIC_WRITE, kShareReadWrite) != 0)
            return Fail(ERROR_SHARING_VIOLATION);
        if (posix::ViewMapped(targetStat.st_dev, targetStat.st_ino)) return Fail(ERROR_USER_MAPPED_FILE);
    }
    if (DWORD copyError = CopyContents(source, sourceStatus, target, targetExists ? &targetStat : nullptr))
        return Fail(copyError);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
