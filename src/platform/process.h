// Child processes for dravik-run: start a program with its standard streams on files,
// wait for it with a time limit, kill it when the limit passes. The Windows build does
// this through CreateProcessA, WaitForSingleObject and TerminateProcess; the Linux build
// through posix_spawn, a process descriptor and SIGKILL.
#pragma once

#include <string>

namespace platform {

struct ChildStart {
    std::string program;     // run with no arguments
    std::string inputPath;   // standard input
    std::string outputPath;  // standard output
    std::string errorPath;   // standard error
    std::string folder;      // current directory
    std::string variable;    // one environment variable added to the parent's
    std::string value;
    unsigned timeoutSeconds;  // 0: no limit
};

struct ChildEnd {
    enum class How { Exited, Crashed, TimedOut, NotStarted };
    How how = How::NotStarted;
    unsigned long code = 0;  // the exit status; the signal or exception code of a crash
    std::string detail;      // a crash's signal or exception, or why the start failed
};

// Runs the child to its end, or kills it when the time limit passes.
ChildEnd RunChild(const ChildStart& start);

// The full path of the running program, or "" when it cannot be had.
std::string OwnProgramPath();

// True when standard error is a terminal (a console on Windows).
bool StandardErrorIsTerminal();

}  // namespace platform
