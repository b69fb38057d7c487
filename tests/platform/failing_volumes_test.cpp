// Calls on a file system that fails: the failure is reported with its code, never
// taken for an empty folder or a success.
#include <fstream>

#include "fault_mount.h"
#include "platform/view_copy.h"

namespace {

constexpr DWORD kIoDevice = 1117;
constexpr DWORD kNetnameDeleted = 64;

class FailingVolumeTest : public FaultMountTest {};

TEST_F(FailingVolumeTest, AFailingDirectoryReadIsReportedNotTakenForAnEmptyFolder) {
    std::filesystem::create_directory(source() + "/dir");
    std::ofstream(source() + "/dir/a.txt") << "a";
    WIN32_FIND_DATAA data;
    HANDLE found = FindFirstFileA(name("dir\\*").c_str(), &data);
    ASSERT_NE(found, INVALID_HANDLE_VALUE);
    FindClose(found);

    for (auto [rule, code] :
         {std::pair{"readdir dir", kIoDevice}, std::pair{"readdir dir ENOTCONN", kNetnameDeleted}}) {
        setRules(rule);
        SetLastError(0xDEAD);
        EXPECT_EQ(FindFirstFileA(name("dir\\*").c_str(), &data), INVALID_HANDLE_VALUE) << rule;
        EXPECT_EQ(GetLastError(), code) << rule;
    }
}

TEST_F(FailingVolumeTest, ACloseThatFailsIsReported) {
    setRules("flush late.txt ENOSPC");
    HANDLE h =
        CreateFileA(name("late.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, "data", 4, &written, nullptr));
    SetLastError(0xDEAD);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), 112u);
    // The handle is gone all the same.
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
}

TEST_F(FailingVolumeTest, AMapOfAFileThatCannotBeMappedIsNotSupported) {
    std::ofstream(source() + "/direct.txt") << "data";
    setRules("read direct.txt");
    HANDLE h = CreateFileA(name("direct.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    SetLastError(0xDEAD);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NOT_SUPPORTED});
    CloseHandle(mapping);
    CloseHandle(h);
}

TEST_F(FailingVolumeTest, APageInThatFailsIsAFaultOfTheGuardedCopy) {
    std::ofstream(source() + "/paged.txt") << std::string(8192, 'x');
    setRules("pagein paged.txt");
    HANDLE h = CreateFileA(name("paged.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    char buffer[100];
    EXPECT_EQ(platform::CopyWithViewGuard(buffer, view, sizeof buffer), 999u);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    CloseHandle(h);
}

}  // namespace
