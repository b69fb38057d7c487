#include "stress/generator.h"

#include <algorithm>

#include "stress/rng.h"

namespace stress {

namespace {

// Sizes where file systems keep their edges: a record of the pattern, a page, the
// size of dravik's own transfer buffers.
constexpr std::uint32_t Interesting[] = {0, 1, 29, 30, 31, 4096, 132071, 132072, 132073};
constexpr int Folders = 2;

// A text and a number after it: "f" and 3 make "f3". g++ 12 at -O3 sees an overlap in
// the copy that `"text" + std::string` makes, where there is none (-Wrestrict).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::string numbered(const char* text, std::uint64_t n) { return text + std::to_string(n); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

class Picker {
public:
    Picker(const GeneratorOptions& options, const Model& model, Rng& rng)
        : options_(options), model_(model), rng_(rng) {}

    bool pick(Cmd cmd, Op& op);

private:
    bool pickHandle(Cmd cmd, Op& op);
    bool pickName(Cmd cmd, Op& op);
    void pickOpen(Cmd cmd, Op& op);
    void pickLocks(Cmd cmd, Op& op);
    std::string fileName() {
        int i = static_cast<int>(rng_.below(options_.files));
        std::string base = numbered("f", i) + ".dat";
        // Every third name lives in a folder, which may not exist.
        return i % 3 == 2 ? numbered("d", i % Folders) + "\\" + base : base;
    }
    std::string folderName() { return numbered("d", rng_.below(Folders)); }
    bool usedSlot(int& slot) {
        std::vector<int> used;
        for (int i = 0; i < model_.fileSlots(); ++i)
            if (model_.slot(i).used) used.push_back(i);
        if (used.empty()) return false;
        slot = used[rng_.below(used.size())];
        return true;
    }
    bool freeSlot(int& slot) {
        std::vector<int> free;
        for (int i = 0; i < model_.fileSlots(); ++i)
            if (!model_.slot(i).used) free.push_back(i);
        if (free.empty()) return false;
        slot = free[rng_.below(free.size())];
        return true;
    }
    std::uint32_t length() {
        unsigned roll = static_cast<unsigned>(rng_.below(100));
        if (roll < 40) return static_cast<std::uint32_t>(rng_.between(1, 300));
        if (roll < 75)
            return static_cast<std::uint32_t>(
                std::max<std::int64_t>(0, Interesting[rng_.between(1, 5)] + rng_.between(-1, 1)));
        if (roll < 95) return static_cast<std::uint32_t>(rng_.between(0, 12000));
        return Interesting[rng_.between(6, 8)];
    }
    std::uint32_t offset(std::uint64_t size) {
        unsigned roll = static_cast<unsigned>(rng_.below(100));
        if (roll < 40) return static_cast<std::uint32_t>(rng_.below(size + 1));
        if (roll < 60)
            return static_cast<std::uint32_t>(
                std::max<std::int64_t>(0, static_cast<std::int64_t>(size) + rng_.between(-31, 31)));
        if (roll < 80) return Interesting[rng_.below(std::size(Interesting))];
        return static_cast<std::uint32_t>(rng_.below(20000));
    }
    // A transfer that stays inside a mapped view, when the slot is mapped.
    void fitView(int slot, Op& op) {
        const auto& s = model_.slot(slot);
        if (!s.mapped) return;
        op.count = 1;
        op.countGiven = false;
        op.current = op.callback = false;
        op.off = static_cast<std::uint32_t>(rng_.below(s.view));
        op.len = static_cast<std::uint32_t>(rng_.below(std::min<std::uint64_t>(s.view - op.off, 5000) + 1));
    }
    void transfer(Op& op, int slot) {
        op.slot = slot;
        std::uint64_t size = model_.sizeOfSlot(slot);
        op.off = offset(size);
        op.len = length();
        if (rng_.chance(20)) {
            op.countGiven = true;
            op.count = static_cast<std::uint32_t>(rng_.between(0, op.len > 20000 ? 3 : 6));
        }
        if (rng_.chance(10)) op.callback = true;
        const auto& d = model_.desc(model_.slot(slot).desc);
        if (!d.async && d.pointer && rng_.chance(15)) {
            op.current = true;
            op.off = static_cast<std::uint32_t>(*d.pointer);
            if (op.cmd == Cmd::Read) op.count = 1, op.countGiven = false;
        }
        fitView(slot, op);
    }

    const GeneratorOptions& options_;
    const Model& model_;
    Rng& rng_;
};

bool Picker::pick(Cmd cmd, Op& op) {
    op = Op{};
    op.cmd = cmd;
    switch (cmd) {
        case Cmd::Create:
        case Cmd::Open:
            if (!freeSlot(op.slot)) return false;
            pickOpen(cmd, op);
            return true;
        case Cmd::Rename:
        case Cmd::Move:
        case Cmd::Copy:
        case Cmd::Delete:
        case Cmd::Md:
        case Cmd::Rd:
        case Cmd::SetAttr:
        case Cmd::FindFirst:
        case Cmd::FindNext:
        case Cmd::FindClose:
            return pickName(cmd, op);
        default:
            return pickHandle(cmd, op);
    }
}

void Picker::pickOpen(Cmd cmd, Op& op) {
    op.name = fileName();
    if (rng_.chance(60)) {
        op.accessGiven = true;
        op.access = static_cast<int>(rng_.between(1, 3));
    }
    if (rng_.chance(75)) {
        op.shareGiven = true;
        op.share = static_cast<int>(rng_.between(0, 3));
    }
    op.async = rng_.chance(20);
    op.sync = rng_.chance(10);
    if (cmd != Cmd::Create) return;
    unsigned roll = static_cast<unsigned>(rng_.below(10));
    op.existing = roll < 6 ? Existing::Open : roll < 8 ? Existing::Replace : Existing::Fail;
    op.noCreate = rng_.chance(15);
    if (model_.lookup(op.name).kind == Model::Kind::Missing && rng_.chance(10)) op.readOnly = true;
    if (rng_.chance(20)) op.size = length();
}

bool Picker::pickHandle(Cmd cmd, Op& op) {
    if (!usedSlot(op.slot)) return false;
    switch (cmd) {
        case Cmd::Write:
        case Cmd::Read:
            transfer(op, op.slot);
            return true;
        case Cmd::ChgPtr:
            op.origin = static_cast<Origin>(rng_.below(3));
            if (rng_.chance(10))
                op.off = static_cast<std::uint32_t>(-rng_.between(1, 200));  // backwards, maybe before the start
            else
                op.off = offset(op.origin == Origin::Beginning ? model_.sizeOfSlot(op.slot) : 300);
            return true;
        case Cmd::ChgEof:
            op.len = rng_.chance(50) ? offset(model_.sizeOfSlot(op.slot)) : length();
            return true;
        case Cmd::Lock:
        case Cmd::Unlock:
        case Cmd::LockUnlock:
            pickLocks(cmd, op);
            return true;
        case Cmd::DupHandle:
            return freeSlot(op.slot2);
        default:  // GETFILESIZE, COMMIT, MAP, UNMAP, CLOSE
            return true;
    }
}

void Picker::pickLocks(Cmd cmd, Op& op) {
    // Few distinct ranges, so that locks meet each other.
    auto range = [&](std::uint32_t& off, std::uint32_t& len) {
        off = static_cast<std::uint32_t>(rng_.below(8) * 50);
        len = static_cast<std::uint32_t>(rng_.chance(70) ? 50 : rng_.between(1, 120));
    };
    const auto& locks = model_.desc(model_.slot(op.slot).desc).locks;
    auto held = [&](std::uint32_t& off, std::uint32_t& len) {
        if (locks.empty() || !rng_.chance(60)) return;
        const auto& r = locks[rng_.below(locks.size())];
        off = static_cast<std::uint32_t>(r.off);
        len = static_cast<std::uint32_t>(r.len);
    };
    range(op.off, op.len);
    if (cmd == Cmd::Unlock) held(op.off, op.len);
    if (cmd == Cmd::LockUnlock && rng_.chance(50)) {
        range(op.off2, op.len2);
        held(op.off2, op.len2);
    }
    op.lockOptions = rng_.chance(20);
}

bool Picker::pickName(Cmd cmd, Op& op) {
    switch (cmd) {
        case Cmd::Rename:
            op.name = fileName();
            op.name2 = numbered("f", rng_.below(options_.files)) + ".dat";
            return true;
        case Cmd::Move:
        case Cmd::Copy:
            op.name = fileName();
            op.name2 = fileName();
            op.noReplace = cmd == Cmd::Copy && rng_.chance(30);
            return true;
        case Cmd::Md:
        case Cmd::Rd:
            op.name = folderName();
            return true;
        case Cmd::SetAttr:
            op.name = fileName();
            op.setReadOnly = rng_.chance(50);
            return true;
        case Cmd::FindFirst: {
            op.slot = static_cast<int>(rng_.below(model_.searchSlots()));
            unsigned roll = static_cast<unsigned>(rng_.below(3));
            op.name = roll == 0 ? "*" : roll == 1 ? folderName() + "\\*" : fileName();
            return true;
        }
        case Cmd::FindNext:
        case Cmd::FindClose:
            op.slot = static_cast<int>(rng_.below(model_.searchSlots()));
            return true;
        default:  // DELETE
            op.name = fileName();
            return true;
    }
}

}  // namespace

std::array<int, CmdCount> GeneratorOptions::defaultWeights() {
    std::array<int, CmdCount> w{};
    auto set = [&](Cmd c, int n) { w[static_cast<int>(c)] = n; };
    set(Cmd::Create, 6), set(Cmd::Open, 4), set(Cmd::Close, 5), set(Cmd::Write, 10), set(Cmd::Read, 10);
    set(Cmd::ChgPtr, 3), set(Cmd::ChgEof, 3), set(Cmd::GetFileSize, 3), set(Cmd::Commit, 2), set(Cmd::Map, 2);
    set(Cmd::Unmap, 2), set(Cmd::Lock, 4), set(Cmd::Unlock, 3), set(Cmd::LockUnlock, 2), set(Cmd::DupHandle, 2);
    set(Cmd::Rename, 2), set(Cmd::Move, 2), set(Cmd::Copy, 2), set(Cmd::Delete, 2), set(Cmd::Md, 1);
    set(Cmd::Rd, 1), set(Cmd::SetAttr, 2), set(Cmd::FindFirst, 2), set(Cmd::FindNext, 2), set(Cmd::FindClose, 1);
    return w;
}

bool parseMix(const std::string& mix, std::array<int, CmdCount>& weights, std::string& error) {
    std::size_t at = 0;
    while (at < mix.size()) {
        std::size_t end = mix.find(',', at);
        if (end == std::string::npos) end = mix.size();
        std::string item = mix.substr(at, end - at);
        at = end + 1;
        auto eq = item.find('=');
        std::string key = item.substr(0, eq);
        int cmd = -1;
        for (int i = 0; i < CmdCount; ++i)
            if (cmdKey(static_cast<Cmd>(i)) == key) cmd = i;
        if (cmd < 0 || eq == std::string::npos || eq + 1 == item.size() ||
            item.find_first_not_of("0123456789", eq + 1) != std::string::npos || item.size() - eq > 6) {
            error = "bad --mix item '" + item + "' (want COMMAND=WEIGHT, for example read=4)";
            return false;
        }
        weights[cmd] = std::stoi(item.substr(eq + 1));
    }
    int total = 0;
    for (int w : weights) total += w;
    if (total == 0) {
        error = "--mix leaves every weight at 0";
        return false;
    }
    return true;
}

std::vector<Op> generate(const GeneratorOptions& options) {
    Rng rng(options.seed);
    Model model(options.model);
    Picker picker(options, model, rng);
    int total = 0;
    for (int w : options.weights) total += w;
    std::vector<Op> ops;
    ops.reserve(options.ops);
    int misses = 0;
    while (static_cast<int>(ops.size()) < options.ops && misses < 100000) {
        std::uint64_t roll = rng.below(total);
        int cmd = 0;
        while (roll >= static_cast<std::uint64_t>(options.weights[cmd])) roll -= options.weights[cmd++];
        Op op;
        if (picker.pick(static_cast<Cmd>(cmd), op) && model.step(op)) {
            ops.push_back(op);
        } else {
            ++misses;
        }
    }
    return ops;
}

std::string scriptHeader(const GeneratorOptions& options) {
    std::string mix;
    auto defaults = GeneratorOptions::defaultWeights();
    for (int i = 0; i < CmdCount; ++i) {
        if (options.weights[i] == defaults[i]) continue;
        if (!mix.empty()) mix += ',';
        mix += cmdKey(static_cast<Cmd>(i));
        mix += numbered("=", static_cast<std::uint64_t>(options.weights[i]));
    }
    return numbered("// dravik-stress ", GeneratorVersion) + " --seed " + std::to_string(options.seed) + " --ops " +
           std::to_string(options.ops) + " --files " + std::to_string(options.files) + " --slots " +
           std::to_string(options.model.fileSlots) + (mix.empty() ? "" : " --mix " + mix) +
           (options.model.portable ? " --portable" : "");
}

}  // namespace stress
