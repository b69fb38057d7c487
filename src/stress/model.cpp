#include "stress/model.h"

#include <algorithm>
#include <set>

namespace stress {

namespace {

// Files stay below this size, and a line dumps at most this many bytes, so that a
// soak spends its time in the file system rather than in the transcript.
constexpr std::uint64_t MaxFileSize = 2u << 20;
constexpr std::uint64_t MaxDumpBytes = 8192;
constexpr std::uint32_t MaxRequests = 20;  // READ and WRITE cut larger /COUNT on /ASYNCIO files

constexpr std::uint32_t ErrorFileNotFound = 2, ErrorPathNotFound = 3, ErrorAccessDenied = 5, ErrorNoMoreFiles = 18,
                        ErrorSharingViolation = 32, ErrorLockViolation = 33, ErrorFileExists = 80,
                        ErrorInvalidParameter = 87, ErrorNegativeSeek = 131, ErrorDirNotEmpty = 145,
                        ErrorNotLocked = 158, ErrorAlreadyExists = 183, ErrorInvalidAddress = 487,
                        ErrorFileInvalid = 1006, ErrorUserMappedFile = 1224;

Expect code(std::uint32_t rc) {
    Expect e;
    e.rc = rc;
    return e;
}

// The one code a command gives when exactly one reason to fail applies; none when two
// reasons with different codes compete (which one Windows reports first is not known).
struct Reasons {
    std::set<std::uint32_t> codes;
    void add(bool applies, std::uint32_t rc) {
        if (applies) codes.insert(rc);
    }
    bool ambiguous() const { return codes.size() > 1; }
    bool any() const { return !codes.empty(); }
    std::uint32_t rc() const { return *codes.begin(); }
};

bool overlaps(const Model::Range& a, std::uint64_t off, std::uint64_t len) {
    return a.off < off + len && off < a.off + a.len;
}

enum class Disposition { CreateNew, CreateAlways, OpenAlways, OpenExisting, TruncateExisting, None };

// CREATE's existing-file and new-file actions give the creation disposition.
Disposition dispositionOf(const Op& op) {
    if (!op.noCreate) {
        if (op.existing == Existing::Replace) return Disposition::CreateAlways;
        if (op.existing == Existing::Open) return Disposition::OpenAlways;
        return Disposition::CreateNew;
    }
    if (op.existing == Existing::Open) return Disposition::OpenExisting;
    if (op.existing == Existing::Replace) return Disposition::TruncateExisting;
    return Disposition::None;
}

}  // namespace

char patternByte(std::uint64_t offset) {
    static const char text[] = " written to file ...\r\n";
    std::uint64_t within = offset % 30;
    if (within >= 8) return text[within - 8];
    std::uint64_t record = (offset - within) % 100000000u;
    for (std::uint64_t i = 7; i > within; --i) record /= 10;
    return static_cast<char>('0' + record % 10);
}

std::string parentOf(const std::string& name) {
    auto cut = name.rfind('\\');
    return cut == std::string::npos ? std::string() : name.substr(0, cut);
}

Model::Model(ModelOptions options) : options_(options), slots_(options.fileSlots), searches_(options.searchSlots) {}

Model::Lookup Model::lookup(const std::string& name) const {
    std::string parent = parentOf(name);
    if (!parent.empty()) {
        auto p = names_.find(parent);
        if (p == names_.end() || !p->second.dir) return {Kind::ParentMissing};
    }
    auto it = names_.find(name);
    if (it == names_.end()) return {Kind::Missing};
    if (it->second.dir) return {Kind::Dir};
    return {Kind::File, it->second.file};
}

bool Model::openElsewhere(int file) const {
    for (auto& [id, d] : descs_)
        if (d.file == file) return true;
    return false;
}

std::uint64_t Model::largestView(int file) const {
    std::uint64_t view = 0;
    for (auto& s : slots_)
        if (s.used && s.mapped && descs_.at(s.desc).file == file) view = std::max(view, s.view);
    return view;
}

bool Model::lockedByOthers(int desc, std::uint64_t off, std::uint64_t len) const {
    if (len == 0) return false;
    int file = descs_.at(desc).file;
    for (auto& [id, d] : descs_) {
        if (id == desc || d.file != file) continue;
        for (auto& r : d.locks)
            if (overlaps(r, off, len)) return true;
    }
    return false;
}

bool Model::anyLockOverlaps(int file, std::uint64_t off, std::uint64_t len) const {
    for (auto& [id, d] : descs_) {
        if (d.file != file) continue;
        for (auto& r : d.locks)
            if (overlaps(r, off, len)) return true;
    }
    return false;
}

bool Model::dirBusy(const std::string& dir) const {
    for (auto& s : searches_)
        if (s.used && s.dir == dir) return true;
    return false;
}

void Model::namespaceChanged(const std::string& name) {
    // A search may or may not see names made or removed after it started: stop
    // predicting its later groups.
    std::string parent = parentOf(name);
    for (auto& s : searches_)
        if (s.used && s.dir == parent) s.valid = false;
}

int Model::entriesOf(const std::string& dir) const {
    int n = 2;  // "." and ".."
    for (auto& [name, node] : names_)
        if (parentOf(name) == dir) ++n;
    return n;
}

std::string Model::dumpOf(int file, std::uint64_t off, std::uint64_t n) const {
    const auto& bytes = files_.at(file).bytes;
    std::string out;
    out.reserve(n * 2);
    for (std::uint64_t i = off; i < off + n; ++i) {
        if (bytes[i])
            out += patternByte(i);  // pattern bytes are all printable, CR or LF
        else
            out += "00";
    }
    return out;
}

bool Model::patternOnly(int file, std::uint64_t off, std::uint64_t n) const {
    const auto& bytes = files_.at(file).bytes;
    for (std::uint64_t i = off; i < off + n; ++i)
        if (!bytes[i]) return false;
    return true;
}

void Model::writeRange(int file, std::uint64_t off, std::uint64_t n) {
    if (n == 0) return;
    auto& bytes = files_.at(file).bytes;
    if (bytes.size() < off + n) bytes.resize(off + n, 0);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(off), n, 1);
}

std::optional<Expect> Model::step(const Op& op) {
    switch (op.cmd) {
        case Cmd::Create:
        case Cmd::Open:
            return create(op);
        case Cmd::Close:
            return close(op);
        case Cmd::Write:
            return write(op);
        case Cmd::Read:
            return read(op);
        case Cmd::ChgPtr:
            return chgPtr(op);
        case Cmd::ChgEof:
            return chgEof(op);
        case Cmd::GetFileSize:
        case Cmd::Commit:
            return simpleHandle(op);
        case Cmd::Map:
            return map(op);
        case Cmd::Unmap:
            return unmap(op);
        case Cmd::Lock:
            if (!slotUsed(op.slot)) return std::nullopt;
            return lock(op.slot, op.off, op.len);
        case Cmd::Unlock:
            if (!slotUsed(op.slot)) return std::nullopt;
            return unlock(op.slot, op.off, op.len);
        case Cmd::LockUnlock:
            // The unlock range is applied when its length is not 0; else the lock range is locked.
            if (!slotUsed(op.slot)) return std::nullopt;
            return op.len2 != 0 ? unlock(op.slot, op.off2, op.len2) : lock(op.slot, op.off, op.len);
        case Cmd::DupHandle:
            return dupHandle(op);
        case Cmd::Rename:
        case Cmd::Move:
            return moveFile(op);
        case Cmd::Copy:
            return copyFile(op);
        case Cmd::Delete:
            return deleteFile(op);
        case Cmd::Md:
            return makeDir(op);
        case Cmd::Rd:
            return removeDir(op);
        case Cmd::SetAttr:
            return setAttr(op);
        case Cmd::FindFirst:
            return findFirst(op);
        case Cmd::FindNext:
            return findNext(op);
        case Cmd::FindClose:
            return findClose(op);
    }
    return std::nullopt;
}

std::optional<Expect> Model::create(const Op& op) {
    if (!slotFree(op.slot)) return std::nullopt;
    Disposition disposition = op.cmd == Cmd::Open ? Disposition::OpenExisting : dispositionOf(op);
    if (disposition == Disposition::None) return code(ErrorInvalidParameter);
    bool attributesUsed = op.cmd == Cmd::Create && !op.noCreate;
    bool sizeApplied = op.cmd == Cmd::Create && op.size >= 0 && disposition != Disposition::OpenAlways &&
                       disposition != Disposition::OpenExisting;
    bool writes = (op.access & AccessWrite) != 0;
    // Truncating without write access is a bad parameter on Windows, checked before the
    // name is looked up; Wine truncates (or finds no file) instead.
    if (disposition == Disposition::TruncateExisting && !writes) {
        if (options_.portable) return std::nullopt;
        return code(ErrorInvalidParameter);
    }
    // Setting a size on a read-only handle fails differently on Windows and Wine and
    // leaves the handle open: not generated.
    if (sizeApplied && (!writes || op.readOnly || static_cast<std::uint64_t>(op.size) > MaxFileSize))
        return std::nullopt;

    Lookup at = lookup(op.name);
    if (at.kind == Kind::ParentMissing) return code(ErrorPathNotFound);
    if (at.kind == Kind::Dir) return std::nullopt;
    int file = at.file;
    if (at.kind == Kind::Missing) {
        if (op.noCreate || op.cmd == Cmd::Open) return code(ErrorFileNotFound);
        file = nextFile_++;
        files_[file].readOnly = op.readOnly && attributesUsed;
        names_[op.name] = Node{false, file};
        namespaceChanged(op.name);
    } else {
        if (disposition == Disposition::CreateNew) return code(ErrorFileExists);  // before sharing
        bool truncates = disposition == Disposition::CreateAlways || disposition == Disposition::TruncateExisting;
        // Attributes given for an existing file are where Windows and Wine part: not generated.
        if (op.readOnly && attributesUsed) return std::nullopt;
        Reasons why;
        why.add(files_[file].readOnly && (writes || truncates), ErrorAccessDenied);
        for (auto& [id, d] : descs_)
            if (d.file == file)
                why.add((op.access & ~d.share) != 0 || (d.access & ~op.share) != 0, ErrorSharingViolation);
        why.add(truncates && largestView(file) > 0, ErrorUserMappedFile);
        if (why.ambiguous()) return std::nullopt;
        // Truncating under another handle's locks: not generated.
        if (!why.any() && truncates && anyLockOverlaps(file, 0, MaxFileSize)) return std::nullopt;
        if (why.any()) return code(why.rc());
        if (truncates) files_[file].bytes.clear();
    }
    std::uint64_t pointer = 0;
    if (sizeApplied) {
        files_[file].bytes.resize(op.size, 0);
        pointer = op.size;  // the size step leaves the pointer at the new end
    }
    int id = nextDesc_++;
    descs_[id] = Desc{file, op.access, op.share, op.async, pointer, {}, 1};
    slots_[op.slot] = Slot{true, id, op.access, false, false, false, 0};
    return code(0);
}

std::optional<Expect> Model::close(const Op& op) {
    if (!slotUsed(op.slot)) return std::nullopt;
    Slot& s = slots_[op.slot];
    Desc& d = descs_.at(s.desc);
    // Whether closing one of two handles of a file object releases its locks is not
    // known for Windows: not generated.
    if (d.refs > 1 && !d.locks.empty()) return std::nullopt;
    if (--d.refs == 0) descs_.erase(s.desc);
    s = Slot{};
    return code(0);
}

std::optional<Expect> Model::write(const Op& op) {
    if (!slotUsed(op.slot)) return std::nullopt;
    Slot& s = slots_[op.slot];
    Desc& d = descs_.at(s.desc);
    Expect e = code(0);
    e.rcLines = static_cast<int>(op.count);
    if (op.count == 0) return e;
    std::uint64_t len = op.len;
    if (s.mapped) {
        // A copy into the view: it must lie inside the view, and the request count and
        // callback flag of an overlapped file would outlive the copy.
        if ((d.async && (op.count > 1 || op.callback)) || op.current) return std::nullopt;
        if (!(s.access & AccessWrite)) return std::nullopt;
        std::uint64_t total = len * op.count;
        if (op.off + total > s.view || lockedByOthers(s.desc, op.off, total)) return std::nullopt;
        writeRange(d.file, op.off, total);
        d.pointer.reset();
        return e;
    }
    if (d.async) {
        if (!(s.access & AccessWrite) || op.current || len == 0 || op.count > MaxRequests) return std::nullopt;
        std::uint64_t total = len * op.count;
        if (op.off + total > MaxFileSize || lockedByOthers(s.desc, op.off, total)) return std::nullopt;
        writeRange(d.file, op.off, total);
        e.rcLines = 1;  // the requests of one transfer
        d.pointer.reset();
        return e;
    }
    if (op.current && !d.pointer) return std::nullopt;
    std::uint64_t pos = op.current ? *d.pointer : op.off;
    if (!(s.access & AccessWrite)) {
        e.rc = ErrorAccessDenied;
        if (!op.current) d.pointer = op.off + (op.count - 1) * len;
        return e;
    }
    std::uint64_t total = len * op.count;
    if (pos + total > MaxFileSize || lockedByOthers(s.desc, pos, total)) return std::nullopt;
    writeRange(d.file, pos, total);
    d.pointer = pos + total;
    return e;
}

std::optional<Expect> Model::read(const Op& op) {
    if (!slotUsed(op.slot)) return std::nullopt;
    Slot& s = slots_[op.slot];
    Desc& d = descs_.at(s.desc);
    const auto& bytes = files_.at(d.file).bytes;
    Expect e = code(0);
    e.read = true;
    e.rcLines = 0;
    e.transfers = static_cast<int>(op.count);
    if (op.count == 0) return e;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;  // offset and bytes, per transfer
    std::uint64_t len = op.len;
    if (s.mapped) {
        if ((d.async && (op.count > 1 || op.callback)) || op.current) return std::nullopt;
        std::uint64_t total = len * op.count;
        if (op.off + total > s.view || lockedByOthers(s.desc, op.off, total)) return std::nullopt;
        for (std::uint32_t i = 0; i < op.count; ++i) ranges.push_back({op.off + i * len, len});
        d.pointer.reset();
    } else if (d.async) {
        if (!(s.access & AccessRead) || op.current || len == 0 || op.count > MaxRequests) return std::nullopt;
        std::uint64_t total = len * op.count;
        if (lockedByOthers(s.desc, op.off, total)) return std::nullopt;
        std::uint64_t available = bytes.size() > op.off ? bytes.size() - op.off : 0;
        ranges.push_back({op.off, std::min(total, available)});
        e.transfers = 1;
        d.pointer.reset();
    } else {
        // With /CURRENT the verification uses the offset parameter, which must then be
        // the pointer; and it does not advance over a series.
        if (op.current && (!d.pointer || *d.pointer != op.off || op.count > 1)) return std::nullopt;
        if (!(s.access & AccessRead)) {
            e.rc = ErrorAccessDenied;
            if (!op.current) d.pointer = op.off + (op.count - 1) * len;
            return e;
        }
        if (lockedByOthers(s.desc, op.off, len * op.count)) return std::nullopt;
        std::uint64_t pos = op.off;
        for (std::uint32_t i = 0; i < op.count; ++i) {
            std::uint64_t n = bytes.size() > pos ? std::min<std::uint64_t>(len, bytes.size() - pos) : 0;
            ranges.push_back({pos, n});
            pos += n;
            len = n;  // the bytes read become the length of the later transfers
        }
        d.pointer = pos;
    }
    bool verify = true;
    std::uint64_t dumped = 0;
    for (auto& [off, n] : ranges) {
        verify = verify && patternOnly(d.file, off, n);
        dumped += n;
    }
    if (!verify && dumped > MaxDumpBytes) return std::nullopt;
    for (auto& [off, n] : ranges) {
        ReadExpect r;
        r.bytes = static_cast<std::uint32_t>(n);
        r.verify = verify;
        if (!verify) r.dump = dumpOf(d.file, off, n);
        e.reads.push_back(std::move(r));
    }
    return e;
}

std::optional<Expect> Model::chgPtr(const Op& op) {
    if (!slotUsed(op.slot)) return std::nullopt;
    Desc& d = descs_.at(slots_[op.slot].desc);
    std::int64_t base = 0;
    if (op.origin == Origin::Current) {
        if (!d.pointer) return std::nullopt;
        base = static_cast<std::int64_t>(*d.pointer);
    } else if (op.origin == Origin::End) {
        base = static_cast<std::int64_t>(files_.at(d.file).bytes.size());
    }
    std::int64_t target = base + static_cast<std::int32_t>(op.off);  // the amount is a signed distance
    if (target < 0) return code(ErrorNegativeSeek);                  // the pointer stays
    if (target >= 0xFFFFFFFFll) return std::nullopt;
    d.pointer = static_cast<std::uint64_t>(target);
    return code(0);
}

std::optional<Expect> Model::chgEof(const Op& op) {
    if (!slotUsed(op.slot)) return std::nullopt;
    Slot& s = slots_[op.slot];
    Desc& d = descs_.at(s.desc);
    // SetEndOfFile on a read-only handle: Windows 5, Wine 87; not generated.
    if (!(s.access & AccessWrite) || op.len > MaxFileSize) return std::nullopt;
    for (auto& [id, other] : descs_)
        if (id != s.desc && other.file == d.file && !other.locks.empty()) return std::nullopt;
    auto& bytes = files_.at(d.file).bytes;
    std::uint64_t view = largestView(d.file);
    if (view > 0 && op.len <= bytes.size()) {
        // While mapped, a file may grow; a shrink into the mapped size gives 1224.
        // Shrinks that stay above the view are not generated.
        if (op.len <= view && op.len < bytes.size()) {
            d.pointer = op.len;  // the pointer moves before SetEndOfFile fails
            return code(ErrorUserMappedFile);
        }
        return std::nullopt;
    }
    bytes.resize(op.len, 0);
    d.pointer = op.len;
    return code(0);
}

std::optional<Expect> Model::simpleHandle(const Op& op) {
    if (!slotUsed(op.slot)) return std::nullopt;
    Slot& s = slots_[op.slot];
    if (op.cmd == Cmd::Commit) return code((s.access & AccessWrite) ? 0 : ErrorAccessDenied);
    Expect e = code(0);
    e.size = static_cast<std::uint32_t>(sizeOfSlot(op.slot));
    return e;
}

std::optional<Expect> Model::map(const Op& op) {
    if (!slotUsed(op.slot)) return std::nullopt;
    Slot& s = slots_[op.slot];
    if (s.mapped) return std::nullopt;  // a second view would replace the first
    Reasons why;
    why.add(!(s.access & AccessRead), ErrorAccessDenied);  // also every duplicate: write access only
    why.add(sizeOfSlot(op.slot) == 0, ErrorFileInvalid);
    if (why.ambiguous()) return std::nullopt;
    if (why.any()) return code(why.rc());
    s.mapped = s.everMapped = true;
    s.view = sizeOfSlot(op.slot);
    return code(0);
}

std::optional<Expect> Model::unmap(const Op& op) {
    if (!slotUsed(op.slot)) return std::nullopt;
    Slot& s = slots_[op.slot];
    if (s.mapped) {
        s.mapped = false;
        return code(0);
    }
    return code(ErrorInvalidAddress);  // no view: also after a successful UNMAP
}

std::optional<Expect> Model::lock(int slot, std::uint64_t off, std::uint64_t len) {
    // Zero-length locks follow rules of their own: not generated.
    if (len == 0 || off + len > 0xFFFFFFFFull) return std::nullopt;
    Desc& d = descs_.at(slots_[slot].desc);
    if (anyLockOverlaps(d.file, off, len)) return code(ErrorLockViolation);  // locks do not stack
    d.locks.push_back({off, len});
    return code(0);
}

std::optional<Expect> Model::unlock(int slot, std::uint64_t off, std::uint64_t len) {
    if (len == 0) return std::nullopt;
    Desc& d = descs_.at(slots_[slot].desc);
    for (auto it = d.locks.begin(); it != d.locks.end(); ++it) {
        if (it->off == off && it->len == len) {  // only the exact range unlocks
            d.locks.erase(it);
            return code(0);
        }
    }
    if (options_.portable) return std::nullopt;  // Wine gives 33
    return code(ErrorNotLocked);
}

std::optional<Expect> Model::dupHandle(const Op& op) {
    if (!slotUsed(op.slot) || !slotFree(op.slot2)) return std::nullopt;
    Slot& s = slots_[op.slot];
    Desc& d = descs_.at(s.desc);
    // A duplicate asks for write-data access: of a read-only handle Windows refuses it;
    // of an overlapped handle it stays overlapped while its slot is not. Neither is generated.
    if (!(s.access & AccessWrite) || d.async) return std::nullopt;
    ++d.refs;
    slots_[op.slot2] = Slot{true, s.desc, AccessWrite, true, false, false, 0};
    return code(0);
}

std::optional<Expect> Model::moveFile(const Op& op) {
    std::string target =
        op.cmd == Cmd::Rename ? (parentOf(op.name).empty() ? op.name2 : parentOf(op.name) + "\\" + op.name2) : op.name2;
    if (target == op.name) return std::nullopt;
    Lookup from = lookup(op.name), to = lookup(target);
    if (from.kind == Kind::Dir || to.kind == Kind::Dir) return std::nullopt;
    Reasons why;
    why.add(from.kind == Kind::Missing, ErrorFileNotFound);
    why.add(from.kind == Kind::ParentMissing, ErrorPathNotFound);
    why.add(to.kind == Kind::ParentMissing, ErrorPathNotFound);
    why.add(to.kind == Kind::File, ErrorAlreadyExists);
    why.add(from.kind == Kind::File && openElsewhere(from.file), ErrorSharingViolation);
    if (why.ambiguous()) return std::nullopt;
    if (why.any()) return code(why.rc());
    names_[target] = names_[op.name];
    names_.erase(op.name);
    namespaceChanged(op.name);
    namespaceChanged(target);
    return code(0);
}

std::optional<Expect> Model::copyFile(const Op& op) {
    if (op.name == op.name2) return std::nullopt;
    Lookup from = lookup(op.name), to = lookup(op.name2);
    if (from.kind == Kind::Dir || to.kind == Kind::Dir) return std::nullopt;
    // How CopyFileA shares an open source or target, and the attributes a copy of a
    // read-only source gets, are in mending in the layer: not generated.
    if (from.kind == Kind::File && (openElsewhere(from.file) || files_[from.file].readOnly)) return std::nullopt;
    if (to.kind == Kind::File && openElsewhere(to.file)) return std::nullopt;
    Reasons why;
    why.add(from.kind == Kind::Missing, ErrorFileNotFound);
    why.add(from.kind == Kind::ParentMissing, ErrorPathNotFound);
    why.add(to.kind == Kind::ParentMissing, ErrorPathNotFound);
    why.add(to.kind == Kind::File && op.noReplace, ErrorFileExists);
    why.add(to.kind == Kind::File && files_[to.file].readOnly, ErrorAccessDenied);
    if (why.ambiguous()) return std::nullopt;
    if (why.any()) return code(why.rc());
    if (to.kind == Kind::File) files_.erase(to.file);
    int file = nextFile_++;
    files_[file].bytes = files_[from.file].bytes;
    names_[op.name2] = Node{false, file};
    namespaceChanged(op.name2);
    return code(0);
}

std::optional<Expect> Model::deleteFile(const Op& op) {
    Lookup at = lookup(op.name);
    if (at.kind == Kind::Dir) return std::nullopt;
    Reasons why;
    why.add(at.kind == Kind::Missing, ErrorFileNotFound);
    why.add(at.kind == Kind::ParentMissing, ErrorPathNotFound);
    if (at.kind == Kind::File) {
        why.add(files_[at.file].readOnly, ErrorAccessDenied);
        why.add(openElsewhere(at.file), ErrorSharingViolation);  // no open asks for delete sharing
    }
    if (why.ambiguous()) return std::nullopt;
    if (why.any()) return code(why.rc());
    files_.erase(at.file);
    names_.erase(op.name);
    namespaceChanged(op.name);
    return code(0);
}

std::optional<Expect> Model::makeDir(const Op& op) {
    Lookup at = lookup(op.name);
    if (at.kind == Kind::ParentMissing || at.kind == Kind::File) return std::nullopt;
    if (at.kind == Kind::Dir) return code(ErrorAlreadyExists);
    names_[op.name] = Node{true, -1};
    namespaceChanged(op.name);
    return code(0);
}

std::optional<Expect> Model::removeDir(const Op& op) {
    Lookup at = lookup(op.name);
    if (at.kind == Kind::ParentMissing || at.kind == Kind::File) return std::nullopt;
    if (at.kind == Kind::Missing) return code(ErrorFileNotFound);
    if (dirBusy(op.name)) return std::nullopt;  // a search open on it
    if (entriesOf(op.name) > 2) return code(ErrorDirNotEmpty);
    names_.erase(op.name);
    namespaceChanged(op.name);
    return code(0);
}

std::optional<Expect> Model::setAttr(const Op& op) {
    Lookup at = lookup(op.name);
    if (at.kind == Kind::Dir) return std::nullopt;
    if (at.kind == Kind::Missing) return code(ErrorFileNotFound);
    if (at.kind == Kind::ParentMissing) return code(ErrorPathNotFound);
    // Wine refuses the attributes of a mapped file with 32: not generated for both builds.
    if (options_.portable && largestView(at.file) > 0) return std::nullopt;
    files_[at.file].readOnly = op.setReadOnly;  // attribute calls ignore share modes
    return code(0);
}

std::optional<Expect> Model::findFirst(const Op& op) {
    if (op.slot < 0 || op.slot >= options_.searchSlots || searches_[op.slot].used) return std::nullopt;
    Search found;
    found.used = true;
    std::uint32_t rc = 0;
    bool wildcard = !op.name.empty() && op.name.back() == '*';
    if (wildcard) {
        found.dir = op.name.size() > 1 ? op.name.substr(0, op.name.size() - 2) : std::string();
        Lookup at = found.dir.empty() ? Lookup{Kind::Dir} : lookup(found.dir);
        if (at.kind == Kind::File) return std::nullopt;
        if (at.kind != Kind::Dir)
            rc = ErrorPathNotFound;
        else
            found.remaining = entriesOf(found.dir) - 1;
    } else {
        Lookup at = lookup(op.name);
        if (at.kind == Kind::Dir) return std::nullopt;
        if (at.kind == Kind::Missing) rc = ErrorFileNotFound;
        if (at.kind == Kind::ParentMissing) rc = ErrorPathNotFound;
        found.dir = parentOf(op.name);
    }
    Expect e = code(rc);
    e.rcLines = rc == 0 ? 0 : 1;  // a shown group replaces the return-code line
    e.groupShown = rc == 0;
    if (rc == 0) searches_[op.slot] = found;
    return e;
}

std::optional<Expect> Model::findNext(const Op& op) {
    if (op.slot < 0 || op.slot >= options_.searchSlots) return std::nullopt;
    Search& s = searches_[op.slot];
    if (!s.used || !s.valid) return std::nullopt;
    if (s.remaining == 0) return code(ErrorNoMoreFiles);
    --s.remaining;
    Expect e = code(0);
    e.rcLines = 0;
    e.groupShown = true;
    return e;
}

std::optional<Expect> Model::findClose(const Op& op) {
    if (op.slot < 0 || op.slot >= options_.searchSlots || !searches_[op.slot].used) return std::nullopt;
    searches_[op.slot] = Search{};
    return code(0);
}

}  // namespace stress
