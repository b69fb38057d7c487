#include "platform/posix/sharing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/posix/file_handle.h"

namespace posix {
namespace {

constexpr DWORD kDataAccess = GENERIC_READ | GENERIC_WRITE;

struct Registration {
    const OpenFile* file;
    dev_t device;
    ino_t inode;
    DWORD access;  // GENERIC_READ / GENERIC_WRITE bits
    DWORD share;   // FILE_SHARE_* bits
};

// Never destroyed: handles still open at exit are destroyed with the handle table,
// and their OpenFiles release their registrations here.
std::vector<Registration>& Registry() {
    static auto* registry = new std::vector<Registration>;
    return *registry;
}

// A file deleted while open: its name goes with the last open.
struct PendingDelete {
    dev_t device;
    ino_t inode;
    std::string path;
};

std::vector<PendingDelete>& PendingDeletes() {
    static auto* pending = new std::vector<PendingDelete>;
    return *pending;
}

// Removes the name of a pending delete whose file has no open left, unless the name
// has come to stand for another file meanwhile.
void FinishPendingDelete(dev_t device, ino_t inode) {
    auto& pending = PendingDeletes();
    auto found = std::find_if(pending.begin(), pending.end(),
                              [&](const PendingDelete& p) { return p.device == device && p.inode == inode; });
    if (found == pending.end() || IsOpen(device, inode)) return;
    struct stat st;
    if (lstat(found->path.c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode) unlink(found->path.c_str());
    pending.erase(found);
}

// The share bit that lets another open have the access bit.
DWORD ShareBitFor(DWORD accessBit) { return accessBit == GENERIC_READ ? FILE_SHARE_READ : FILE_SHARE_WRITE; }

// True when every data access in `access` is allowed by `share`.
bool Allowed(DWORD access, DWORD share) {
    for (DWORD bit : {GENERIC_READ, GENERIC_WRITE})
        if ((access & bit) && !(share & ShareBitFor(bit))) return false;
    return true;
}

}  // namespace

bool IsOpen(dev_t device, ino_t inode) {
    return std::any_of(Registry().begin(), Registry().end(),
                       [&](const Registration& r) { return r.device == device && r.inode == inode; });
}

DWORD CheckSharing(dev_t device, ino_t inode, DWORD access, DWORD share) {
    if ((access & kDataAccess) == 0) return 0;
    for (const Registration& r : Registry()) {
        if (r.device != device || r.inode != inode || (r.access & kDataAccess) == 0) continue;
        if (!Allowed(access, r.share) || !Allowed(r.access, share)) return ERROR_SHARING_VIOLATION;
    }
    return 0;
}

void RegisterSharing(const OpenFile& file, DWORD access, DWORD share) {
    Registry().push_back({&file, file.device, file.inode, access, share});
}

void ReleaseSharing(const OpenFile& file) {
    auto& registry = Registry();
    registry.erase(
        std::remove_if(registry.begin(), registry.end(), [&](const Registration& r) { return r.file == &file; }),
        registry.end());
    FinishPendingDelete(file.device, file.inode);
}

bool OpenWithoutDeleteSharing(dev_t device, ino_t inode) {
    for (const Registration& r : Registry())
        if (r.device == device && r.inode == inode && (r.access & kDataAccess) && !(r.share & FILE_SHARE_DELETE))
            return true;
    return false;
}

bool DeleteAtLastClose(dev_t device, ino_t inode, const std::string& path) {
    if (!IsOpen(device, inode)) return false;
    if (!DeletePending(device, inode)) PendingDeletes().push_back({device, inode, path});
    return true;
}

bool DeletePending(dev_t device, ino_t inode) {
    const auto& pending = PendingDeletes();
    return std::any_of(pending.begin(), pending.end(),
                       [&](const PendingDelete& p) { return p.device == device && p.inode == inode; });
}

}  // namespace posix
