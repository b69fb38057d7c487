#include "attributes/extended_attributes.h"

#include <cstring>

#include "interpreter/command_line.h"
#include "interpreter/keywords.h"
#include "interpreter/output.h"

namespace {

constexpr ReturnCode kInputEnded = 1;

// Shows the prompt and reads one line, as long as a command line may be. False at the
// end of input.
bool Ask(const char* prompt, char* buffer) {
    out::text(prompt);
    out::flush();
    return ReadInputLine(buffer, kLineBufferSize);
}

}  // namespace

ReturnCode promptForEAs(EAList& list, EAPromptMode mode) {
    if (mode == EAPromptMode::None) return 0;
    out::line("   You will be prompted for EA Names and EA Values (you will be ");
    out::line("   be promped for an EA value only if one is needed).  When you are ");
    out::line("   are done entering EAs press enter on the EA name prompt without ");
    out::line("   entering a name.  If you want to delete an EA press enter on ");
    out::line("   the EA Value prompt without entering a value");
    out::blank();

    char name[kLineBufferSize];
    char value[kLineBufferSize];
    while (true) {
        if (!Ask("   Enter EA Name: ", name)) return kInputEnded;
        if (name[0] == '\0') return 0;
        if (mode == EAPromptMode::NamesAndValues && !Ask("   Enter EA Value: ", value)) return kInputEnded;

        auto entry = std::make_unique<EAEntry>();
        std::string upper = name;
        UpperCase(upper);
        entry->setName(upper.c_str());
        if (mode == EAPromptMode::NamesAndValues)
            entry->setValue(reinterpret_cast<const unsigned char*>(value),
                            static_cast<std::uint16_t>(std::strlen(value)));
        list.add(std::move(entry));
    }
}

void listEAs(EAList* list) {
    EAEntry* entry = list != nullptr ? list->next() : nullptr;
    if (entry == nullptr) {
        out::line("      No EAs on this File ");
        return;
    }
    static const char kHex[] = "0123456789ABCDEF";
    for (; entry != nullptr; entry = list->next()) {
        std::string name(entry->nameLength() + 1u, '\0');
        entry->copyName(name.data());
        name.resize(entry->nameLength());
        out::line("      EA Name--->" + name);
        if (entry->valueLength() == 0) {
            out::line("      No value for this EA ");
            out::blank();
            continue;
        }
        std::string value(entry->valueLength(), '\0');
        entry->copyValue(reinterpret_cast<unsigned char*>(value.data()));
        std::string shown;
        for (unsigned char byte : value) {
            if (byte >= 0x20 && byte <= 0x7E) {
                shown += static_cast<char>(byte);
            } else {
                shown += kHex[byte >> 4];
                shown += kHex[byte & 0xF];
            }
        }
        out::line("      EA Value-->" + shown);
    }
}
