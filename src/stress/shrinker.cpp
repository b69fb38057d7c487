#include "stress/shrinker.h"

namespace stress {

namespace {

std::vector<Op> opsOf(const Script& script) {
    std::vector<Op> ops;
    for (auto& line : script.lines) ops.push_back(line.op);
    return ops;
}

// Simpler forms of one command, tried one at a time.
std::vector<Op> simpler(const Op& op) {
    std::vector<Op> out;
    auto with = [&](auto change) {
        Op o = op;
        change(o);
        out.push_back(o);
    };
    if (op.len > 1) with([](Op& o) { o.len = 1; }), with([](Op& o) { o.len /= 2; });
    if (op.off > 0) with([](Op& o) { o.off = 0; });
    if (op.countGiven) with([](Op& o) { o.count = 1, o.countGiven = false; });
    if (op.callback) with([](Op& o) { o.callback = false; });
    if (op.current) with([](Op& o) { o.current = false; });
    if (op.async) with([](Op& o) { o.async = false; });
    if (op.sync) with([](Op& o) { o.sync = false; });
    if (op.lockOptions) with([](Op& o) { o.lockOptions = false; });
    if (op.accessGiven) with([](Op& o) { o.accessGiven = false, o.access = AccessRead | AccessWrite; });
    if (op.shareGiven) with([](Op& o) { o.shareGiven = false, o.share = 0; });
    if (op.size >= 0) with([](Op& o) { o.size = -1; });
    if (op.readOnly) with([](Op& o) { o.readOnly = false; });
    if (op.noCreate) with([](Op& o) { o.noCreate = false; });
    if (op.existing != Existing::Open) with([](Op& o) { o.existing = Existing::Open; });
    return out;
}

}  // namespace

Shrunk shrink(const Script& failing, const Departure& departure, const ModelOptions& options, const RunCheck& run,
              int maxRuns) {
    Shrunk best{failing, departure, 0, 0};
    // Nothing after the departing line matters.
    auto cut = [](Script s, const Departure& d) {
        std::size_t keep = static_cast<std::size_t>(std::max(0, d.line - 1));
        if (s.lines.size() > keep) s.lines.resize(keep);
        return s;
    };
    best.script = cut(failing, departure);
    auto attempt = [&](const std::vector<Op>& ops) {
        if (best.runs >= maxRuns) return false;
        Script candidate = derive(ops, options, failing.header);
        if (candidate.lines.empty() || candidate.lines.size() > best.script.lines.size()) return false;
        ++best.runs;
        auto found = run(candidate);
        if (!found || !found->same(departure)) return false;
        best.departure = *found;
        best.script = cut(candidate, *found);
        return true;
    };

    std::size_t chunk = std::max<std::size_t>(1, best.script.lines.size() / 2);
    while (best.runs < maxRuns) {
        bool progress = false;
        for (std::size_t at = 0; at < best.script.lines.size() && best.runs < maxRuns;) {
            std::vector<Op> ops = opsOf(best.script);
            std::size_t end = std::min(ops.size(), at + chunk);
            ops.erase(ops.begin() + static_cast<std::ptrdiff_t>(at), ops.begin() + static_cast<std::ptrdiff_t>(end));
            if (attempt(ops))
                progress = true;
            else
                at += chunk;
        }
        if (chunk == 1 && !progress) break;
        if (!progress) chunk = std::max<std::size_t>(1, chunk / 2);
    }

    for (std::size_t k = 0; k < best.script.lines.size() && best.runs < maxRuns; ++k) {
        for (bool changed = true; changed && k < best.script.lines.size();) {
            changed = false;
            for (const Op& o : simpler(best.script.lines[k].op)) {
                std::vector<Op> ops = opsOf(best.script);
                ops[k] = o;
                if (attempt(ops)) {
                    changed = true;
                    break;
                }
            }
        }
    }
    best.removed = static_cast<int>(failing.lines.size()) - static_cast<int>(best.script.lines.size());
    return best;
}

}  // namespace stress
