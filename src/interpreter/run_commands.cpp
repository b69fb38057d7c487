#include "interpreter/run_commands.h"

#include "interpreter/command_state.h"
#include "interpreter/output.h"
#include "interpreter/reporting.h"
#include "interpreter/run_state.h"

void promptCommand(RunState& run, ParsedCommand&) {
    run.PromptForWrites = 1;
    out::line("   Processing PROMPT -- You will be prompted for small writes  ");
    out::blank();
}

void setDefaultPathCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Set current drive and path ");
    CommandState st(run, cmd);
    if (st.present(1)) {
        // The path must fit with its trailing backslash and terminator; a path that does
        // not is ignored, and the set still reports 0.
        const std::string& path = cmd[1];
        bool endsWithBackslash = path.back() == '\\';
        if (path.size() < kDefaultPathSize - 1 || (path.size() == kDefaultPathSize - 1 && endsWithBackslash))
            run.DefaultPath = endsWithBackslash ? path : path + "\\";
    }
    // No options are read, so no expected code is ever compared here.
    st.report("   ... ... the return code from the set is ");
}

void freeDirCommand(RunState&, ParsedCommand&) { out::line("   FREE Directory not supported "); }

void devIoctlCommand(RunState&, ParsedCommand&) { out::line("processDevIOCTL is not supported...."); }

void acceptedCommand(RunState&, ParsedCommand&) {}
