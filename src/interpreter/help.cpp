#include "interpreter/help.h"

#include <string>

#include "interpreter/command_table.h"
#include "interpreter/constants.h"
#include "interpreter/output.h"

namespace {

// The command reference, one entry per line.
constexpr const char* kHelpHead[] = {
    "",
    "   The format of an input command is:",
    "      COMMAND PositionalParm1 PositionalParm2 ... < /OptParm1 /Optparm2 ... >  ",
    "",
    "   When looking at help for a particular command remember ",
    "     *  All names must be fully qualified -- (there is no ",
    "           current drive/directory support)",
    "     *  < > enclose optional stuff ",
    "     *  optional parms are in /value or /ID=Value format ",
    "     *  parms in CAPS are the defaults ",
    "     *  // starts a comment ",
    "     *  blank lines are ignored ",
    "     *  use CTRL-Z, EXIT or QUIT to end the program ",
    "",
    "   current limits for Byte Stream are: ",
};

// After the limits, which are printed from the sizes of the run's tables.
constexpr const char* kHelpTail[] = {
    "",
    "   Optional Parameters Supported On Every Command Are: ",
    "",
    "      /RC=nnn ",
    "      /expectedRC=nnn ",
    "",
    "   Supported Commands Are: ",
    "",
};

// After the commands' blocks.
constexpr const char* kHelpAsync[] = {
    "Async IO ..... (two flavors, event and callback) ",
    "",
    "  Event: ",
    "     On OPEN or CREATE, specify /asyncio -- this sets up the file for event ",
    "     type async IO.  In this case all IO to the handle will be async-event. ",
    "     On READ or WRITE, the default will be 1 asycn IO.  To do multiple async",
    "     IOs specify /count=n.  For example, READ 1 0 100 /count=5 means 5, 100 ",
    "     byte async reads will be performed.",
    "",
    "  CallBack: ",
    "     Callback is pretty much the same as event IO except you use the /callback",
    "     parameter on the read or write request.  You still must specifiy /asyncio ",
    "     on the create or open request.  You can use /count to do multiple async",
    "     IO requests.  For example, Write 1 0 200 /count=8 /callback means do 8 ",
    "     write requests where each write specifies a callback. ",
    "",
    "  AsyncIO is supported only by Win NT. ",
    "",
    "",
};

}  // namespace

void PrintHelp(const CommandTable& commands) {
    for (const char* line : kHelpHead) out::line(line);
    out::line("      up to " + std::to_string(kFileSlots) + " open files at any instance in time ");
    out::line("      up to " + std::to_string(kSearchSlots) + " active search at any instance in time ");
    out::line("      maximum input line size is ", kLineBufferSize);
    for (const char* line : kHelpTail) out::line(line);
    for (const CommandRow& row : commands.rows()) {
        if (row.help.empty()) continue;
        for (std::string_view block = row.help; !block.empty();) {
            std::size_t end = block.find('\n');
            out::line(block.substr(0, end));
            block.remove_prefix(end + 1);
        }
        out::blank();
        out::blank();
    }
    for (const char* line : kHelpAsync) out::line(line);
}
