// The model of Win32 semantics that predicts every check of a generated script: the
// names in the scratch folder, each file's contents (pattern bytes where WRITE put
// them, zero bytes in holes and extensions), the open file objects with their access,
// sharing, file pointer and locks, the slots, mappings and searches.
//
// step() predicts one command and applies it. Where Windows' behaviour is not known
// for sure, or where two failures would compete for the code, it gives nothing and
// changes nothing: the generator then picks another command, and the shrinker drops
// the line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "stress/expect.h"
#include "stress/ops.h"

namespace stress {

struct ModelOptions {
    int fileSlots = 8;
    int searchSlots = 4;
    // Avoid the places where Wine is known to return other codes than Windows (an
    // UNLOCK of a range that is not locked), so that both builds can run one script.
    bool portable = false;
};

// The byte of the standard pattern at a file offset.
char patternByte(std::uint64_t offset);

class Model {
public:
    explicit Model(ModelOptions options);

    std::optional<Expect> step(const Op& op);

    // What the generator looks at to choose sensible commands.
    struct Range {
        std::uint64_t off, len;
    };
    struct FileData {
        std::vector<std::uint8_t> bytes;  // 1 = pattern byte at that offset, 0 = zero byte
        bool readOnly = false;
    };
    struct Desc {  // one open file object (CREATE or OPEN); duplicates share it
        int file = 0;
        int access = 0, share = 0;
        bool async = false;
        std::optional<std::uint64_t> pointer;  // unknown after overlapped and mapped transfers
        std::vector<Range> locks;
        int refs = 0;
    };
    struct Slot {
        bool used = false;
        int desc = 0;
        int access = 0;
        bool dup = false;
        bool mapped = false, everMapped = false;
        std::uint64_t view = 0;
    };
    struct Search {
        bool used = false;
        std::string dir;
        int remaining = 0;
        bool valid = true;
    };
    enum class Kind { Missing, ParentMissing, File, Dir };
    struct Lookup {
        Kind kind;
        int file = -1;
    };

    Lookup lookup(const std::string& name) const;
    const Slot& slot(int n) const { return slots_[n]; }
    const Desc& desc(int n) const { return descs_.at(n); }
    const FileData& file(int n) const { return files_.at(n); }
    const Search& search(int n) const { return searches_[n]; }
    int fileSlots() const { return options_.fileSlots; }
    int searchSlots() const { return options_.searchSlots; }
    std::uint64_t sizeOfSlot(int n) const { return file(desc(slots_[n].desc).file).bytes.size(); }

private:
    struct Node {
        bool dir = false;
        int file = -1;
    };

    std::optional<Expect> create(const Op& op);
    std::optional<Expect> close(const Op& op);
    std::optional<Expect> write(const Op& op);
    std::optional<Expect> read(const Op& op);
    std::optional<Expect> chgPtr(const Op& op);
    std::optional<Expect> chgEof(const Op& op);
    std::optional<Expect> simpleHandle(const Op& op);
    std::optional<Expect> map(const Op& op);
    std::optional<Expect> unmap(const Op& op);
    std::optional<Expect> lock(int slot, std::uint64_t off, std::uint64_t len);
    std::optional<Expect> unlock(int slot, std::uint64_t off, std::uint64_t len);
    std::optional<Expect> dupHandle(const Op& op);
    std::optional<Expect> moveFile(const Op& op);
    std::optional<Expect> copyFile(const Op& op);
    std::optional<Expect> deleteFile(const Op& op);
    std::optional<Expect> makeDir(const Op& op);
    std::optional<Expect> removeDir(const Op& op);
    std::optional<Expect> setAttr(const Op& op);
    std::optional<Expect> findFirst(const Op& op);
    std::optional<Expect> findNext(const Op& op);
    std::optional<Expect> findClose(const Op& op);

    bool slotUsed(int n) const { return n >= 0 && n < options_.fileSlots && slots_[n].used; }
    bool slotFree(int n) const { return n >= 0 && n < options_.fileSlots && !slots_[n].used; }
    bool openElsewhere(int file) const;
    std::uint64_t largestView(int file) const;
    bool lockedByOthers(int desc, std::uint64_t off, std::uint64_t len) const;
    bool anyLockOverlaps(int file, std::uint64_t off, std::uint64_t len) const;
    bool dirBusy(const std::string& dir) const;
    void namespaceChanged(const std::string& name);
    int entriesOf(const std::string& dir) const;
    std::string dumpOf(int file, std::uint64_t off, std::uint64_t n) const;
    bool patternOnly(int file, std::uint64_t off, std::uint64_t n) const;
    void writeRange(int file, std::uint64_t off, std::uint64_t n);

    ModelOptions options_;
    std::map<std::string, Node> names_;
    std::map<int, FileData> files_;
    std::map<int, Desc> descs_;
    std::vector<Slot> slots_;
    std::vector<Search> searches_;
    int nextFile_ = 0, nextDesc_ = 0;
};

// Names: "f3.dat" in the scratch folder, "d1" a folder in it, "d1\f3.dat" a file in a
// folder. The parent of a top-level name is "".
std::string parentOf(const std::string& name);

}  // namespace stress
