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

// The default path from the process's current directory, with a trailing backslash.
// Gives false when the directory cannot be had or does not fit; the default path is
// then the root of the current drive.
bool SetDefaultPathFromCurrentDirectory(std::string& path) {
    char buffer[kDefaultPathSize];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0) {
        path = platform::kFallbackRoot;
        return false;
    }
    // Too long: the buffer was not filled, so ask again for the drive alone.
    if (length >= sizeof buffer) {
        std::string longPath(length, '\0');
        longPath.resize(GetCurrentDirectoryA(length, longPath.data()));
        path = DriveRootOf(longPath);
        return false;
    }
    path.assign(buffer, length);
    if (path.back() != '\\') {
        if (path.size() + 1 >= kDefaultPathSize) {
            path = DriveRootOf(path);
            return false;
        }
        path += '\\';
    }
    return true;
}

void EndOfRun(const RunState& run) {
    out::blank();
    out::line(" normal termination ");
    if (run.CheckFailed) PrintFailureBanner();
}

}  // namespace

int RunInterpreter(const CommandTable& commands, ResultObserver* observer) {
    console::Setup();
    auto line = std::unique_ptr<LineBuffer>(new (std::nothrow) LineBuffer);
    auto command = std::unique_ptr<ParsedCommand>(new (std::nothrow) ParsedCommand);
    auto run = std::unique_ptr<RunState>(new (std::nothrow) RunState);
    if (run) {
        run->ReadBuffer.reset(new (std::nothrow) unsigned char[kBufferSize]);
        run->WorkBuffer.reset(new (std::nothrow) unsigned char[kBufferSize]);
    }
    if (!line || !command || !run || !run->ReadBuffer || !run->WorkBuffer) {
        std::fputs("dravik: not enough memory to start the run\n", stderr);
        return 1;
    }
    if (!SetDefaultPathFromCurrentDirectory(run->DefaultPath))
        out::line("   ... the current directory cannot be used; the default path is " + run->DefaultPath);

    while (ReadCommandLine(*line, run->DefaultPath) == 0) {
        Tokenise(*line, *command);
        const CommandRow* row = commands.find((*command)[0]);
        if (!row) {
            out::line("   No Valid Command Found -- Line Ignored ");
            out::blank();
            continue;
        }
        if (!row->handler) break;
        std::size_t lineNumber = InputLineNumber();
        if (observer) observer->commandStarted(row->title(), lineNumber);
        run->LineVerdict = CommandVerdict{};
        row->handler(*run, *command);
        if (observer) observer->commandEnded(row->title(), lineNumber, run->LineVerdict);
    }
    EndOfRun(*run);
    if (observer) observer->runEnded();
    return 0;
}
