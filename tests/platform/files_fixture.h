// A scratch directory for the file tests of the POSIX layer, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/win32.h"

class FileApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dravik-files-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }

    // The Win32 name of a file in the scratch directory.
    std::string name(const std::string& file) const { return "Z:" + winDir() + "\\" + file; }
    std::string posix(const std::string& file) const { return dir_ + "/" + file; }

    HANDLE open(const std::string& file, DWORD access, DWORD share, DWORD disposition,
                DWORD flags = FILE_ATTRIBUTE_NORMAL) {
        return CreateFileA(name(file).c_str(), access, share, nullptr, disposition, flags, nullptr);
    }

    // A file of `size` bytes, each the low byte of its offset.
    void makeFile(const std::string& file, std::size_t size) {
        HANDLE h = open(file, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::string data(size, '\0');
        for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(h, data.data(), static_cast<DWORD>(size), &written, nullptr));
        ASSERT_TRUE(CloseHandle(h));
    }

    std::uintmax_t sizeOf(const std::string& file) const { return std::filesystem::file_size(posix(file)); }

    std::string dir_;

private:
    std::string winDir() const {
        std::string w = dir_;
        for (char& c : w)
            if (c == '/') c = '\\';
        return w;
    }
};

// Expects the call's result to be a failure with this last error.
#define EXPECT_FAILS_WITH(call, code)           \
    do {                                        \
        SetLastError(0xDEAD);                   \
        EXPECT_FALSE(call);                     \
        EXPECT_EQ(GetLastError(), DWORD(code)); \
    } while (0)
