#include "stress/launch.h"

#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace stress {

namespace {

constexpr rlim_t FileSizeLimit = 256u << 20;

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

void removeTree(const std::string& path) { nftw(path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS); }

// A new folder dravik-stress-XXXXXX in parent, readable by all.
bool freshFolder(const std::string& parent, std::string& folder, std::string& error) {
    std::string pattern = parent + "/dravik-stress-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        error = "cannot make a folder in " + parent + ": " + std::strerror(errno);
        return false;
    }
    folder = buffer.data();
    chmod(folder.c_str(), 0755);
    return true;
}

}  // namespace

std::vector<std::string> dravikCommand(const std::string& given) {
    // dravik starts in its scratch folder: a relative path would name nothing there.
    char* real = realpath(given.c_str(), nullptr);
    std::string path = real != nullptr ? real : given;
    std::free(real);
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".exe") == 0) {
        const char* wine = std::getenv("DRAVIK_WINE");
        return {wine ? wine : "/usr/lib/wine/wine64", path};
    }
    return {path};
}

bool Launcher::prepare(const LaunchOptions& options, std::string& error) {
    options_ = options;
    if (geteuid() == 0) {
        // Random scripts never run as root: they would reach every file of the machine.
        passwd* pw = getpwnam(options.user.c_str());
        if (pw == nullptr || pw->pw_uid == 0) {
            error = "running as root needs an unprivileged user to run dravik: user '" + options.user +
                    "' does not exist (create it with: useradd -r -M -s /usr/sbin/nologin " + options.user +
                    ", or name another with --user)";
            return false;
        }
        drop_ = true;
        uid_ = pw->pw_uid;
        gid_ = pw->pw_gid;
    }
    struct stat st {};
    if (stat(options.parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "--dir " + options.parent + " is not a folder";
        return false;
    }
    env_ = {"PATH=/usr/bin:/bin", "LANG=C"};
    for (const char* keep : {"TZ", "WINEDEBUG", "WINEDLLOVERRIDES", "DRAVIK_CASE"})
        if (const char* v = std::getenv(keep)) env_.push_back(std::string(keep) + "=" + v);
    for (auto& e : options.env) env_.push_back(e);
    return true;
}

// The run's folder, on a local file system, holds the script, the transcript and the
// results records, which the file system under test must not touch; the scratch folder
// on the file system under test belongs to the user that runs dravik and holds nothing
// but what the script makes.
bool Launcher::makeFolders(const std::string& script, RunFolders& folders, std::string& error) {
    const char* tmp = std::getenv("TMPDIR");
    std::string local = options_.keep.empty() ? (tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") : options_.keep;
    if (!freshFolder(local, folders.run, error)) return false;
    if (!freshFolder(options_.parent, folders.scratch, error)) {
        removeTree(folders.run);
        return false;
    }
    std::string results = folders.run + "/results.jsonl";
    writeFile(folders.run + "/script.dvk", script);
    writeFile(results, "");  // dravik writes its records there, as the unprivileged user
    if (!options_.keep.empty()) symlink(folders.scratch.c_str(), (folders.run + "/scratch").c_str());
    if (drop_ && (chown(folders.scratch.c_str(), uid_, gid_) != 0 || chown(results.c_str(), uid_, gid_) != 0)) {
        error = "cannot hand the scratch folder and the results file to " + options_.user;
        removeTree(folders.run);
        removeTree(folders.scratch);
        return false;
    }
    return true;
}

pid_t Launcher::spawn(const RunFolders& folders) {
    const std::string& folder = folders.run;
    const std::string& scratch = folders.scratch;
    int in = open((folder + "/script.dvk").c_str(), O_RDONLY | O_CLOEXEC);
    int out = open((folder + "/transcript.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    std::vector<std::string> envText = env_;
    envText.push_back("HOME=" + scratch);
    envText.push_back("DRAVIK_RESULTS=" + folder + "/results.jsonl");
    std::vector<char*> argv, envp;
    for (auto& a : options_.command) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(null, 2);
        setpgid(0, 0);
        rlimit size{FileSizeLimit, FileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &size);
        if (chdir(scratch.c_str()) != 0) _exit(126);
        if (drop_ && (setgroups(0, nullptr) != 0 || setgid(gid_) != 0 || setuid(uid_) != 0)) _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in);
    close(out);
    close(null);
    return pid;
}

// Waits for dravik within the time limit.
runner::ProcessEnd Launcher::await(pid_t pid) {
    runner::ProcessEnd end;
    int status = 0;
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd p{pidfd, POLLIN, 0};
    if (pidfd >= 0 && poll(&p, 1, options_.timeoutSeconds * 1000) == 0) {
        kill(-pid, SIGKILL);
        end.how = runner::ProcessEnd::How::TimedOut;
    }
    if (pidfd >= 0) close(pidfd);
    waitpid(pid, &status, 0);
    kill(-pid, SIGKILL);  // whatever the run left behind in its process group goes with it
    end.timeoutSeconds = static_cast<unsigned>(options_.timeoutSeconds);
    if (end.how == runner::ProcessEnd::How::TimedOut) return end;
    if (WIFSIGNALED(status)) {
        end.how = runner::ProcessEnd::How::Crashed;
        end.detail = "signal " + std::to_string(WTERMSIG(status));
        return end;
    }
    end.code = static_cast<unsigned long>(WEXITSTATUS(status));
    return end;
}

namespace {

std::string endText(const runner::ProcessEnd& end) {
    if (end.how == runner::ProcessEnd::How::TimedOut)
        return "killed after " + std::to_string(end.timeoutSeconds) + " s";
    if (end.how == runner::ProcessEnd::How::Crashed) return end.detail;
    return "exit status " + std::to_string(end.code);
}

}  // namespace

Launched Launcher::run(const std::string& script) {
    Launched result;
    RunFolders folders;
    if (!makeFolders(script, folders, result.end)) return result;
    pid_t pid = spawn(folders);
    if (pid < 0) {
        result.end = "cannot start dravik";
    } else {
        runner::ProcessEnd end = await(pid);
        result.end = endText(end);
        result.ok = end.how == runner::ProcessEnd::How::Exited && end.code < 126;
        runner::ReadRecords(folders.run + "/results.jsonl", result.results);
        runner::Judge(end, result.results);
    }
    result.transcript = readFile(folders.run + "/transcript.txt");
    if (options_.keep.empty()) {
        removeTree(folders.run);
        removeTree(folders.scratch);
    }
    return result;
}

}  // namespace stress
