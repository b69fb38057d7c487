// The find commands differ from the common handler shape in two visible ways: the
// option stage of FINDFIRST announces /GETCOUNT as it reads it (before its value is
// checked), and FINDFIRST and FINDNEXT print the return-code line only when no group
// was shown.
#include "search/search_commands.h"

#include <memory>
#include <string>

#include "attributes/attribute_display.h"
#include "interpreter/command_state.h"
#include "interpreter/output.h"
#include "interpreter/run_state.h"
#include "namespace/fs_dir_entry.h"

namespace {

constexpr const char* kFindResult = "   ... ... the return code from the Find First is ";

struct FindOptions {
    bool all = false;
    std::uint16_t groupSize = 1;  // entries per group of the FINDNEXT passes
};

// The options of FINDFIRST. A /GETCOUNT with a value prints its notice as soon as it
// is read, good value or not.
void readFindFirstOptions(CommandState& st, FindOptions& options) {
    st.options(
        3, {OptionId::All, OptionId::GetCount, OptionId::Ea, OptionId::MatchCriteria},
        [&options](const OptionArg& option) -> ReturnCode {
            switch (option.id) {
                case OptionId::All:
                    options.all = true;
                    break;
                case OptionId::GetCount:
                    options.groupSize = static_cast<std::uint16_t>(option.number);
                    break;
                default:
                    break;  // /EA and /MATCHCRITERIA: accepted, the search is the same
            }
            return 0;
        },
        [](OptionId id, bool hasValue) {
            if (id == OptionId::GetCount && hasValue) out::line("the getCount parm is not supported by Win95");
        });
}

// One group: the entry found by findFirst or findNext, then the further entries of
// the group. The count printed is the group size, however many entries were left.
void showGroup(FSDirEntry& entry) {
    std::uint32_t count = entry.getItemCount();
    out::line("   ... " + std::to_string(count) + " items were returned ");
    out::blank();
    printEntryAttributes(entry, 1);
    for (std::uint32_t shown = 1; shown < count; ++shown) {
        entry.getNextFromGroup();
        printEntryAttributes(entry, 1);
    }
}

// The closing of FINDFIRST and FINDNEXT: the return-code line only for a failure
// before any group was shown; the check always uses the final code.
void reportFind(CommandState& st, bool groupShown) { st.report(st.ok() || groupShown ? "" : kFindResult); }

}  // namespace

void findFirstCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing FIND FIRST ");
    CommandState st(run, cmd);
    PathParts parts;
    std::uint32_t slot = st.freeSearchSlot(1);
    st.path(2, parts);
    FindOptions options;
    readFindFirstOptions(st, options);
    bool groupShown = false;
    if (st.ok()) {
        auto entry = std::make_unique<FSDirEntry>();
        entry->setSource(parts.qualifiedPath.c_str());
        entry->setItemCount(1);
        out::line("   ... doing find first against " + parts.qualifiedPath);
        st.rc = entry->findFirst();
        // The slot holds the search once it has found an entry; a search that found
        // none is destroyed with `entry`.
        if (st.ok()) run.SearchSlotTable[slot] = SearchSlot(entry.release());
        // The first group always has one entry; /ALL goes on in groups of /GETCOUNT.
        while (st.ok()) {
            FSDirEntry& search = *run.SearchSlotTable[slot];
            showGroup(search);
            groupShown = true;
            if (!options.all) break;
            search.setItemCount(options.groupSize);
            st.rc = search.findNext();
        }
    }
    reportFind(st, groupShown);
}

void findNextCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing FIND NEXT ");
    CommandState st(run, cmd);
    FSDirEntry* search = st.searchInUse(1);
    FindOptions options;
    st.options(2, {OptionId::All, OptionId::GetCount}, [&options](const OptionArg& option) {
        if (option.id == OptionId::All)
            options.all = true;
        else
            options.groupSize = static_cast<std::uint16_t>(option.number);
        return ReturnCode{0};
    });
    bool groupShown = false;
    if (st.ok()) {
        out::line("   ... doing the find next ");
        do {
            search->setItemCount(options.groupSize);
            st.rc = search->findNext();
            if (!st.ok()) break;
            showGroup(*search);
            groupShown = true;
        } while (options.all);
    }
    reportFind(st, groupShown);
}

void findCloseCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing FIND CLOSE ");
    CommandState st(run, cmd);
    std::uint32_t slot = st.searchSlotInUse(1);
    st.options(2, {});
    if (st.ok()) {
        out::line("   ... doing the find close ");
        // The result of FindClose is not examined: the code stays 0.
        // Releasing the slot closes the search.
        run.SearchSlotTable[slot].reset();
    }
    st.report("   ... ... the return code from the Find Close is ");
}
