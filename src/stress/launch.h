// Runs one script through a dravik in a fresh scratch folder, confined: as an
// unprivileged user when started as root, with a limit on file sizes and on time,
// the script on standard input; the transcript and the results records are kept
// outside the scratch folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "runner/script_result.h"

namespace stress {

struct LaunchOptions {
    std::vector<std::string> command;  // the dravik to run, with its launcher (wine) first
    std::string parent = "/tmp";       // the file system under test: scratch folders go here
    std::string user = "dravik-test";  // who runs dravik when we are root
    std::vector<std::string> env;      // more NAME=VALUE for dravik
    int timeoutSeconds = 300;
    std::string keep;  // when set, the run's folders stay: the run's folder is made there
};

struct Launched {
    std::string transcript;
    std::string end;  // "exit status 0", "signal 9", "killed after 300 s"
    bool ok = false;  // started and ended by itself
    // dravik's results records, judged as dravik-run judges them: the failed checks,
    // and where a run that hung or died was.
    runner::ScriptResult results;
};

class Launcher {
public:
    // Checks the user and the parent folder; false with a message when dravik cannot be run safely.
    bool prepare(const LaunchOptions& options, std::string& error);
    Launched run(const std::string& script);

private:
    struct RunFolders {
        std::string run, scratch;
    };
    bool makeFolders(const std::string& script, RunFolders& folders, std::string& error);
    pid_t spawn(const RunFolders& folders);
    runner::ProcessEnd await(pid_t pid);

    LaunchOptions options_;
    bool drop_ = false;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    std::vector<std::string> env_;
};

// "build-win/dravik.exe" runs through Wine; anything else as it is.
std::vector<std::string> dravikCommand(const std::string& path);

}  // namespace stress
