#include "interpreter/extended_attributes.h"

#include "interpreter/command_line.h"
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

ReturnCode promptForEAs(EAPromptMode mode) {
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
    }
}

void listEAs() { out::line("      No EAs on this File "); }
