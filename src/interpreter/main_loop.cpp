#include "interpreter/main_loop.h"

#include <cstdio>
#include <memory>
#include <new>

#include "interpreter/command_line.h"
#include "interpreter/command_table.h"
#include "interpreter/output.h"
#include "interpreter/reporting.h"
#include "interpreter/run_state.h"
#include "platform/console.h"
#include "platform/defaults.h"
#include "platform/win32.h"

namespace {

// The root of the drive that a current directory is on.
std::string DriveRootOf(const std::string& directory) {
    return directory.size() >= 2 && directory[1] == ':' ? directory.substr(0, 2) + "\\"
                                                        : std::string(platform::kFallbackRoot);
}

// DefaultPath from the process's current directory, with a trailing backslash. Gives
// false when the directory cannot be had or does not fit; DefaultPath is then the root
// of the current drive.
bool SetDefaultPathFromCurrentDirectory() {
    char buffer[kDefaultPathSize];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0) {
        DefaultPath = platform::kFallbackRoot;
        return false;
    }
    // Too long: the buffer was not filled, so ask again for the drive alone.
    if (length >= sizeof buffer) {
        std::string longPath(length, '\0');
        longPath.resize(GetCurrentDirectoryA(length, longPath.data()));
        DefaultPath = DriveRootOf(longPath);
        return false;
    }
    DefaultPath.assign(buffer, length);
    if (DefaultPath.back() != '\\') {
        if (DefaultPath.size() + 1 >= kDefaultPathSize) {
            DefaultPath = DriveRootOf(DefaultPath);
            return false;
        }
        DefaultPath += '\\';
    }
    return true;
}

void EndOfRun() {
    out::blank();
    out::line(" normal termination ");
    if (CheckFailed) PrintFailureBanner();
}

}  // namespace

int RunInterpreter(ResultObserver* observer) {
    console::Setup();
    auto line = std::unique_ptr<LineBuffer>(new (std::nothrow) LineBuffer);
    auto command = std::unique_ptr<ParsedCommand>(new (std::nothrow) ParsedCommand);
    ReadBuffer = new (std::nothrow) unsigned char[kBufferSize];
    WorkBuffer = new (std::nothrow) unsigned char[kBufferSize];
    if (!line || !command || !ReadBuffer || !WorkBuffer) {
        std::fputs("dravik: not enough memory to start the run\n", stderr);
        return 1;
    }
    if (!SetDefaultPathFromCurrentDirectory())
        out::line("   ... the current directory cannot be used; the default path is " + DefaultPath);

    while (ReadCommandLine(*line, 1) == 0) {
        Tokenise(*line, *command);
        CommandId id = LookupCommand((*command)[0]);
        if (id == CommandId::Exit) break;
        if (id == CommandId::None) {
            out::line("   No Valid Command Found -- Line Ignored ");
            out::blank();
            continue;
        }
        if (const CommandRow* row = RowOf(id)) {
            std::size_t lineNumber = InputLineNumber();
            if (observer) observer->commandStarted(row->name, lineNumber);
            LineVerdict = CommandVerdict{};
            row->handler(*command);
            if (observer) observer->commandEnded(row->name, lineNumber, LineVerdict);
        }
    }
    EndOfRun();
    if (observer) observer->runEnded();
    return 0;
}
