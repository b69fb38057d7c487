// The fixture of the tests of failing file systems: a faultfs mount whose rules each
// test sets. The test is skipped, saying why, where the machine cannot mount FUSE.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "../faultfs/fault_mount.h"
#include "platform/win32.h"

class FaultMountTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why = mount_.start("", false);
        if (!why.empty()) GTEST_SKIP() << why;
    }

    void setRules(const std::string& text) { mount_.setRules(text); }
    std::string source() const { return mount_.source(); }
    std::string mountPoint() const { return mount_.mountPoint(); }
    // The Win32 name of a file on the mount.
    std::string name(const std::string& file) const {
        std::string w = "Z:" + mountPoint() + "/" + file;
        for (char& c : w)
            if (c == '/') c = '\\';
        return w;
    }

private:
    FaultMount mount_;
};
