// File mappings and views over mmap.
#include <algorithm>

#include "files_fixture.h"

namespace {

constexpr DWORD RW = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD ShareRW = FILE_SHARE_READ | FILE_SHARE_WRITE;

}  // namespace

TEST_F(FileApiTest, EmptyFilesCannotBeMapped) {
    HANDLE h = open("empty.txt", RW, 0, CREATE_NEW);
    EXPECT_FAILS_WITH(CreateFileMappingA(h, nullptr, PAGE_READWRITE, 0, 0, nullptr) != nullptr, 1006);
    CloseHandle(h);
    h = open("empty.txt", GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_FAILS_WITH(CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr) != nullptr, 1006);
    CloseHandle(h);
}

TEST_F(FileApiTest, MappingNeedsTheAccessOfItsProtection) {
    makeFile("f.txt", 1000);
    HANDLE r = open("f.txt", GENERIC_READ, ShareRW, OPEN_EXISTING);
    EXPECT_FAILS_WITH(CreateFileMappingA(r, nullptr, PAGE_READWRITE, 0, 0, nullptr) != nullptr, 5);
    SetLastError(0xDEAD);
    HANDLE m = CreateFileMappingA(r, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_FAILS_WITH(MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0) != nullptr, 5);
    void* view = MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(static_cast<const char*>(view)[999], static_cast<char>(999 & 0xFF));
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_TRUE(CloseHandle(m));
    HANDLE w = open("f.txt", GENERIC_WRITE, ShareRW, OPEN_EXISTING);
    for (DWORD protection : {PAGE_READONLY, PAGE_READWRITE})
        EXPECT_FAILS_WITH(CreateFileMappingA(w, nullptr, protection, 0, 0, nullptr) != nullptr, 5);
    CloseHandle(w);
    CloseHandle(r);
}

TEST_F(FileApiTest, ViewsAndTransfersSeeEachOther) {
    makeFile("f.txt", 1000);
    HANDLE h = open("f.txt", RW, ShareRW, OPEN_EXISTING);
    SetLastError(0xDEAD);
    HANDLE m = CreateFileMappingA(h, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    char* view = static_cast<char*>(MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    std::copy_n("VIEW", 4, view);
    char buffer[4];
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(h, buffer, 4, &n, nullptr));
    EXPECT_EQ(std::string(buffer, 4), "VIEW");
    ASSERT_TRUE(WriteFile(h, "FILE", 4, &n, nullptr));
    EXPECT_EQ(std::string(view + 4, 4), "FILE");

    // While the view is mapped the file may grow but not shrink, nor be truncated.
    SetFilePointer(h, 2000, nullptr, FILE_BEGIN);
    EXPECT_TRUE(SetEndOfFile(h));
    SetFilePointer(h, 1000, nullptr, FILE_BEGIN);
    EXPECT_FAILS_WITH(SetEndOfFile(h), 1224);
    SetFilePointer(h, 500, nullptr, FILE_BEGIN);
    EXPECT_FAILS_WITH(SetEndOfFile(h), 1224);
    EXPECT_FAILS_WITH(open("f.txt", RW, ShareRW, TRUNCATE_EXISTING) != INVALID_HANDLE_VALUE, 1224);
    EXPECT_EQ(sizeOf("f.txt"), 2000u);

    // A second mapping and view beside the first.
    HANDLE m2 = CreateFileMappingA(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* view2 = MapViewOfFile(m2, FILE_MAP_READ, 0, 0, 0);
    EXPECT_NE(view2, nullptr);
    EXPECT_TRUE(UnmapViewOfFile(view2));
    CloseHandle(m2);

    // The view outlives the file handle and the mapping handle.
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_TRUE(CloseHandle(m));
    EXPECT_EQ(std::string(view, 4), "VIEW");
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_FAILS_WITH(UnmapViewOfFile(view), 487);
    EXPECT_FAILS_WITH(UnmapViewOfFile(nullptr), 487);
    h = open("f.txt", RW, ShareRW, TRUNCATE_EXISTING);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

TEST_F(FileApiTest, MappingsOfOverlappedHandles) {
    makeFile("f.txt", 100);
    HANDLE h = open("f.txt", RW, ShareRW, OPEN_EXISTING, FILE_FLAG_OVERLAPPED);
    HANDLE m = CreateFileMappingA(h, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    ASSERT_NE(m, nullptr);
    void* view = MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0);
    EXPECT_NE(view, nullptr);
    EXPECT_TRUE(UnmapViewOfFile(view));
    CloseHandle(m);
    CloseHandle(h);
}
