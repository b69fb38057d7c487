#include "stress/script.h"

namespace stress {

namespace {

void add(std::string& out, const std::string& word) {
    out += ' ';
    out += word;
}

std::string accessOption(int access) {
    if (access == AccessRead) return "/READACCESS";
    if (access == AccessWrite) return "/WRITEACCESS";
    return "/READWRITEACCESS";
}

std::string shareOption(int share) {
    switch (share) {
        case ShareRead | ShareWrite:
            return "/DENYNONE";
        case ShareWrite:
            return "/DENYREAD";
        case ShareRead:
            return "/DENYWRITE";
        default:
            return "/DENYALL";
    }
}

void renderOpen(const Op& op, std::string& out) {
    add(out, std::to_string(op.slot));
    add(out, op.name);
    if (op.accessGiven) add(out, accessOption(op.access));
    if (op.shareGiven) add(out, shareOption(op.share));
    if (op.cmd == Cmd::Create) {
        if (op.existing == Existing::Fail) add(out, "/NOOPEN");
        if (op.existing == Existing::Replace) add(out, "/REPLACE");
        if (op.noCreate) add(out, "/NOCREATE");
        if (op.readOnly) add(out, "/READONLY");
        if (op.size >= 0) add(out, "/SIZE=" + std::to_string(op.size));
    }
    if (op.async) add(out, "/ASYNCIO");
    if (op.sync) add(out, "/SYNC");
}

void renderTransfer(const Op& op, const Expect& expect, std::string& out) {
    for (std::uint64_t n : {std::uint64_t(op.slot), std::uint64_t(op.off), std::uint64_t(op.len)})
        add(out, std::to_string(n));
    if (op.countGiven) add(out, "/COUNT=" + std::to_string(op.count));
    if (op.current) add(out, "/CURRENT");
    if (op.callback) add(out, "/CALLBACK");
    if (op.cmd == Cmd::Read && expect.rc == 0 && !expect.reads.empty()) {
        bool same = true;
        for (const auto& r : expect.reads) same = same && r.bytes == expect.reads.front().bytes;
        if (same) add(out, "/EXPECTED=" + std::to_string(expect.reads.front().bytes));
        if (expect.reads.front().verify) add(out, "/VERIFY /SUPPRESS");
    }
    if (op.cmd == Cmd::Write && op.sync) add(out, "/SYNC");
}

void renderLocks(const Op& op, std::string& out) {
    add(out, std::to_string(op.slot));
    if (op.cmd == Cmd::DupHandle) {
        add(out, std::to_string(op.slot2));
        return;
    }
    add(out, std::to_string(op.off) + " " + std::to_string(op.len));
    if (op.cmd == Cmd::LockUnlock) add(out, std::to_string(op.off2) + " " + std::to_string(op.len2));
    if (op.lockOptions && op.cmd == Cmd::Lock) add(out, "/TIMEOUT=100 /SHARED");
    if (op.lockOptions && op.cmd == Cmd::LockUnlock) add(out, "/ATOMIC /EXCLUSIVE");
}

}  // namespace

std::string render(const Op& op, const Expect& expect) {
    std::string out(cmdWord(op.cmd));
    auto num = [&](std::uint64_t n) { add(out, std::to_string(n)); };
    switch (op.cmd) {
        case Cmd::Create:
        case Cmd::Open:
            renderOpen(op, out);
            break;
        case Cmd::Write:
        case Cmd::Read:
            renderTransfer(op, expect, out);
            break;
        case Cmd::ChgPtr:
            num(op.slot);
            num(op.off);
            if (op.origin != Origin::Current) add(out, op.origin == Origin::Beginning ? "/BEGINNING" : "/END");
            break;
        case Cmd::ChgEof:
            num(op.slot);
            num(op.len);
            break;
        case Cmd::Lock:
        case Cmd::Unlock:
        case Cmd::LockUnlock:
        case Cmd::DupHandle:
            renderLocks(op, out);
            break;
        case Cmd::Rename:
        case Cmd::Move:
        case Cmd::Copy:
            add(out, op.name);
            add(out, op.name2);
            if (op.cmd == Cmd::Copy && op.noReplace) add(out, "/NOREPLACE");
            break;
        case Cmd::Delete:
        case Cmd::Md:
        case Cmd::Rd:
            add(out, op.name);
            break;
        case Cmd::SetAttr:
            add(out, op.name);
            add(out, op.setReadOnly ? "/READONLY /ARCHIVE" : "/ARCHIVE");
            break;
        case Cmd::FindFirst:
            num(op.slot);
            add(out, op.name);
            break;
        default:  // GETFILESIZE, COMMIT, MAP, UNMAP, CLOSE, FINDNEXT, FINDCLOSE
            num(op.slot);
            break;
    }
    add(out, "/RC=" + std::to_string(expect.rc));
    return out;
}

std::string Script::text() const {
    std::string out = header + "\n";
    for (auto& line : lines) out += line.text + "\n";
    return out;
}

Script derive(const std::vector<Op>& ops, const ModelOptions& options, const std::string& header) {
    Script script;
    script.header = header;
    Model model(options);
    for (auto& op : ops) {
        auto expect = model.step(op);
        if (!expect) continue;
        script.lines.push_back({op, *expect, render(op, *expect)});
    }
    return script;
}

}  // namespace stress
