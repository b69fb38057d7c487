// A faultfs mount for the tests of failing file systems: faultfs passes every call
// through to a source folder and fails the ones its rules name (tests/faultfs/rules.h).
// The test is skipped, saying why, where the machine cannot mount FUSE.
#pragma once

#include <gtest/gtest.h>
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

#include "platform/win32.h"

class FaultMountTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef DRAVIK_FAULTFS
        GTEST_SKIP() << "faultfs is not built (no libfuse3)";
#else
        if (access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse: cannot mount faultfs";
        char pattern[] = "/tmp/dravik-fault-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base_ = pattern;
        std::filesystem::create_directory(source());
        std::filesystem::create_directory(mountPoint());
        setRules("");
        server_ = fork();
        ASSERT_GE(server_, 0);
        if (server_ == 0) {
            std::string rules = "--rules=" + base_ + "/rules";
            execl(DRAVIK_FAULTFS, DRAVIK_FAULTFS, source().c_str(), mountPoint().c_str(), rules.c_str(), "-f",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        if (!waitForMount()) GTEST_SKIP() << "faultfs did not mount (no FUSE here)";
#endif
    }

    void TearDown() override {
        if (server_ > 0) {
            std::string unmount = "fusermount3 -u -z '" + mountPoint() + "' 2>/dev/null";
            if (std::system(unmount.c_str()) != 0) kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
        }
        std::error_code ignored;
        if (!base_.empty()) std::filesystem::remove_all(base_, ignored);
    }

    void setRules(const std::string& text) {
        std::ofstream(base_ + "/rules") << text;
        // The rules are read again when their time stamp or size changes.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    std::string source() const { return base_ + "/source"; }
    std::string mountPoint() const { return base_ + "/mount"; }
    // The Win32 name of a file on the mount.
    std::string name(const std::string& file) const {
        std::string w = "Z:" + mountPoint() + "/" + file;
        for (char& c : w)
            if (c == '/') c = '\\';
        return w;
    }

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
