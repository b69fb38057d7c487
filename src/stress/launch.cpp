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

}  // namespace

std::vector<std::string> dravikCommand(const std::string& path) {
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

// The run's folder: the script and the transcript beside the scratch folder, which
// belongs to the user that runs dravik and holds nothing but what the script makes.
bool Launcher::makeFolder(const std::string& script, std::string& folder, std::string& error) {
    std::string pattern = options_.parent + "/dravik-stress-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        error = "cannot make a folder in " + options_.parent + ": " + std::strerror(errno);
        return false;
    }
    folder = buffer.data();
    std::string scratch = folder + "/scratch";
    chmod(folder.c_str(), 0755);
    mkdir(scratch.c_str(), 0755);
    if (drop_ && chown(scratch.c_str(), uid_, gid_) != 0) {
        error = "cannot hand the scratch folder to " + options_.user;
        removeTree(folder);
        return false;
    }
    writeFile(folder + "/script.dvk", script);
    // dravik writes its records there, as the unprivileged user.
    std::string results = folder + "/results.jsonl";
    writeFile(results, "");
    if (drop_ && chown(results.c_str(), uid_, gid_) != 0) {
        error = "cannot hand the results file to " + options_.user;
        removeTree(folder);
        return false;
    }
    return true;
}

pid_t Launcher::spawn(const std::string& folder) {
    std::string scratch = folder + "/scratch";
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
    std::string folder;
    if (!makeFolder(script, folder, result.end)) return result;
    pid_t pid = spawn(folder);
    if (pid < 0) {
        result.end = "cannot start dravik";
    } else {
        runner::ProcessEnd end = await(pid);
        result.end = endText(end);
        result.ok = end.how == runner::ProcessEnd::How::Exited && end.code < 126;
        runner::ReadRecords(folder + "/results.jsonl", result.results);
        runner::Judge(end, result.results);
    }
    result.transcript = readFile(folder + "/transcript.txt");
    if (!options_.keep.empty()) {
        std::string target = options_.keep + "/" + folder.substr(folder.rfind('/') + 1);
        if (rename(folder.c_str(), target.c_str()) == 0) return result;
    }
    removeTree(folder);
    return result;
}

}  // namespace stress
