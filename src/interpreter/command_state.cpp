#include "interpreter/command_state.h"

#include <algorithm>

#include "interpreter/numbers.h"
#include "interpreter/output.h"
#include "interpreter/run_state.h"

bool CommandState::present(std::size_t entry) {
    if (ok() && !cmd_.has(entry)) rc = kSyntaxError;
    return ok();
}

std::uint32_t CommandState::number32(std::size_t entry) {
    std::uint32_t value = 0;
    if (present(entry)) rc = ParseDecimal32(cmd_[entry], value);
    return value;
}

std::uint32_t CommandState::fileSlotInUse(std::size_t entry) {
    std::uint32_t slot = number32(entry);
    if (ok() && (slot >= kFileSlots || !run.FileSlotTable[slot])) rc = kInvalidHandle;
    return slot;
}

FileObject* CommandState::fileInUse(std::size_t entry) {
    std::uint32_t slot = fileSlotInUse(entry);
    return ok() ? run.FileSlotTable[slot].get() : nullptr;
}

std::uint32_t CommandState::freeFileSlot(std::size_t entry) {
    std::uint32_t slot = number32(entry);
    if (ok() && (slot >= kFileSlots || run.FileSlotTable[slot])) rc = kHandleInUse;
    return slot;
}

std::uint32_t CommandState::searchSlotInUse(std::size_t entry) {
    std::uint32_t slot = number32(entry);
    if (ok() && (slot >= kSearchSlots || !run.SearchSlotTable[slot])) rc = kInvalidHandle;
    return slot;
}

FSDirEntry* CommandState::searchInUse(std::size_t entry) {
    std::uint32_t slot = searchSlotInUse(entry);
    return ok() ? run.SearchSlotTable[slot].get() : nullptr;
}

std::uint32_t CommandState::freeSearchSlot(std::size_t entry) {
    std::uint32_t slot = number32(entry);
    if (ok() && (slot >= kSearchSlots || run.SearchSlotTable[slot])) rc = kInvalidHandle;
    return slot;
}

bool CommandState::path(std::size_t entry, PathParts& parts) {
    if (present(entry)) rc = SplitPath(cmd_[entry], run.DefaultPath, parts);
    return ok();
}

void CommandState::options(std::size_t first, std::initializer_list<OptionId> accepted, const OptionAction& apply,
                           const OptionAnnounce& announce) {
    for (std::size_t entry = first; ok() && cmd_.has(entry); ++entry) {
        std::string& token = cmd_[entry];
        if (token[0] != '/') {
            rc = kSyntaxError;
            break;
        }
        // The first "=" ends the keyword; the token keeps only the keyword, upper-cased.
        std::size_t equals = token.find('=');
        bool hasValue = equals != std::string::npos;
        std::string value = hasValue ? token.substr(equals + 1) : std::string();
        if (hasValue) token.resize(equals);
        std::string keyword = token.substr(1);
        const OptionRow* option = LookupOption(keyword);
        token = "/" + keyword;

        if (!option ||
            (option->id != OptionId::Rc && std::find(accepted.begin(), accepted.end(), option->id) == accepted.end())) {
            rc = kSyntaxError;
            break;
        }
        OptionArg arg;
        arg.id = option->id;
        if (announce) announce(arg.id, hasValue);
        ValueForm form = option->form;
        if (form != ValueForm::None) {
            if (!hasValue) {
                rc = kSyntaxError;
                break;
            }
            arg.value = value;
            if (form == ValueForm::Unsigned32) {
                rc = ParseDecimal32(value, arg.number);
            } else if (form == ValueForm::Unsigned16) {
                std::uint16_t number16 = 0;
                rc = ParseDecimal16(value, number16);
                arg.number = number16;
            }
            if (!ok()) break;
        }
        if (arg.id == OptionId::Rc) {
            expected = static_cast<ReturnCode>(arg.number);
            expectedGiven = true;
            run.LineVerdict.expectedRc = expected;
        } else if (apply) {
            rc = apply(arg);
        }
    }
}
