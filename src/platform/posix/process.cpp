#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace platform {

namespace {

// The parent's environment with NAME=VALUE added (replacing an inherited one).
std::vector<std::string> EnvironmentWith(const std::string& name, const std::string& value) {
    std::vector<std::string> entries;
    std::string prefix = name + "=";
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0) entries.emplace_back(*e);
    }
    if (!name.empty()) entries.push_back(prefix + value);
    return entries;
}

// Waits for the child to end within the time limit; false when the limit passed. A
// process descriptor lets poll wait with a limit; without one, the wait polls.
bool WaitWithin(pid_t pid, unsigned timeoutSeconds, int& status) {
    if (timeoutSeconds == 0) return waitpid(pid, &status, 0) == pid;
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    long remainingMs = static_cast<long>(timeoutSeconds) * 1000;
    while (true) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) break;
        if (remainingMs <= 0) {
            if (pidfd >= 0) close(pidfd);
            return false;
        }
        long slice = pidfd >= 0 ? remainingMs : 10;
        if (pidfd >= 0) {
            pollfd entry{pidfd, POLLIN, 0};
            poll(&entry, 1, static_cast<int>(slice));
        } else {
            usleep(static_cast<useconds_t>(slice * 1000));
        }
        remainingMs -= slice;
    }
    if (pidfd >= 0) close(pidfd);
    return true;
}

}  // namespace

ChildEnd RunChild(const ChildStart& start) {
    ChildEnd end;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, start.inputPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, start.outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, start.errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, start.folder.c_str());

    std::vector<std::string> environment = EnvironmentWith(start.variable, start.value);
    std::vector<char*> envp;
    envp.reserve(environment.size() + 1);
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = start.program;
    char* argv[] = {program.data(), nullptr};

    pid_t pid = 0;
    int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        end.detail = std::strerror(error);
        return end;
    }
    int status = 0;
    if (!WaitWithin(pid, start.timeoutSeconds, status)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        end.how = ChildEnd::How::TimedOut;
        return end;
    }
    if (WIFSIGNALED(status)) {
        end.how = ChildEnd::How::Crashed;
        end.code = static_cast<unsigned long>(WTERMSIG(status));
        const char* name = sigabbrev_np(WTERMSIG(status));
        end.detail = "signal " + std::to_string(end.code) + (name ? std::string(" (SIG") + name + ")" : "");
    } else {
        end.how = ChildEnd::How::Exited;
        end.code = static_cast<unsigned long>(WEXITSTATUS(status));
    }
    return end;
}

std::string OwnProgramPath() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    return length > 0 && static_cast<std::size_t>(length) < sizeof buffer
               ? std::string(buffer, static_cast<std::size_t>(length))
               : "";
}

bool StandardErrorIsTerminal() { return isatty(2) == 1; }

}  // namespace platform
