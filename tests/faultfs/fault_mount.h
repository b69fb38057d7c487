// A faultfs mount for tests: faultfs passes every call through to a source folder and
// fails the ones its rules name (rules.h). start() says why it could not mount, so the
// test can skip saying so; the destructor unmounts and removes the folders.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

class FaultMount {
public:
    FaultMount() = default;
    FaultMount(const FaultMount&) = delete;
    FaultMount& operator=(const FaultMount&) = delete;
    ~FaultMount() {
        if (server_ > 0) {
            std::string unmount = "fusermount3 -u -z '" + mountPoint() + "' 2>/dev/null";
            if (std::system(unmount.c_str()) != 0) kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
        }
        std::error_code ignored;
        if (!base_.empty()) std::filesystem::remove_all(base_, ignored);
    }

    // Mounts under a fresh folder of /tmp. With allowOther, users other than the
    // mounting one (an unprivileged dravik) may use the mount. Empty when mounted.
    std::string start(const std::string& rules, bool allowOther) {
#ifndef DRAVIK_FAULTFS
        (void)rules, (void)allowOther;
        return "faultfs is not built (no libfuse3)";
#else
        if (access("/dev/fuse", R_OK | W_OK) != 0) return "no /dev/fuse: cannot mount faultfs";
        char pattern[] = "/tmp/dravik-fault.XXXXXX";
        if (mkdtemp(pattern) == nullptr) return "cannot make a folder under /tmp";
        base_ = pattern;
        chmod(base_.c_str(), 0755);
        std::filesystem::create_directory(source());
        std::filesystem::create_directory(mountPoint());
        std::ofstream(base_ + "/rules") << rules;
        server_ = fork();
        if (server_ < 0) return "cannot start faultfs";
        if (server_ == 0) {
            std::string rulesOption = "--rules=" + base_ + "/rules", from = source(), to = mountPoint();
            std::vector<const char*> argv = {DRAVIK_FAULTFS, from.c_str(), to.c_str(), rulesOption.c_str(), "-f"};
            if (allowOther) argv.insert(argv.end(), {"-o", "allow_other"});
            argv.push_back(nullptr);
            execv(DRAVIK_FAULTFS, const_cast<char* const*>(argv.data()));
            _exit(127);
        }
        return waitForMount() ? "" : "faultfs did not mount (no FUSE here)";
#endif
    }

    void setRules(const std::string& text) const {
        std::ofstream(base_ + "/rules") << text;
        // The rules are read again when their time stamp or size changes.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    std::string source() const { return base_ + "/source"; }
    std::string mountPoint() const { return base_ + "/mount"; }

private:
    bool waitForMount() {
        struct stat outer {};
        stat(base_.c_str(), &outer);
        for (int i = 0; i < 250; ++i) {
            struct stat inner {};
            if (stat(mountPoint().c_str(), &inner) == 0 && inner.st_dev != outer.st_dev) return true;
            if (waitpid(server_, nullptr, WNOHANG) == server_) {
                server_ = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::string base_;
    pid_t server_ = -1;
};
