// The calls on an open file handle: the file pointer, the end of file, the size,
// synchronous reads and writes, duplicates, flushing and closing.
#include <cstring>
#include <vector>

#include "files_fixture.h"

namespace {

constexpr DWORD RW = GENERIC_READ | GENERIC_WRITE;

class FileHandleTest : public FileApiTest {
protected:
    void SetUp() override {
        FileApiTest::SetUp();
        makeFile("f.txt", 100);
    }
    HANDLE openF(DWORD access, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
        return open("f.txt", access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, flags);
    }
    DWORD where(HANDLE h) { return SetFilePointer(h, 0, nullptr, FILE_CURRENT); }
};

}  // namespace

TEST_F(FileHandleTest, SetFilePointerOrigins) {
    HANDLE h = openF(RW);
    struct Step {
        LONG distance;
        DWORD method;
        DWORD result;
    };
    const Step steps[] = {{0, FILE_BEGIN, 0}, {50, FILE_BEGIN, 50}, {10, FILE_CURRENT, 60},  {-20, FILE_CURRENT, 40},
                          {0, FILE_END, 100}, {-1, FILE_END, 99},   {1000, FILE_BEGIN, 1000}};
    for (const Step& s : steps) {
        SetLastError(0xDEAD);
        EXPECT_EQ(SetFilePointer(h, s.distance, nullptr, s.method), s.result);
        EXPECT_EQ(GetLastError(), 0xDEADu);  // success leaves the last error alone
    }
    EXPECT_EQ(sizeOf("f.txt"), 100u);
    CloseHandle(h);
}

TEST_F(FileHandleTest, SeekingBeforeTheStartFailsAndKeepsThePointer) {
    HANDLE h = openF(RW);
    SetFilePointer(h, 10, nullptr, FILE_BEGIN);
    EXPECT_FAILS_WITH(SetFilePointer(h, -101, nullptr, FILE_END) != INVALID_SET_FILE_POINTER, 131);
    EXPECT_FAILS_WITH(SetFilePointer(h, -1, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER, 131);
    EXPECT_FAILS_WITH(SetFilePointer(h, -200, nullptr, FILE_CURRENT) != INVALID_SET_FILE_POINTER, 131);
    EXPECT_FAILS_WITH(SetFilePointer(h, 0, nullptr, 3) != INVALID_SET_FILE_POINTER, 87);
    EXPECT_EQ(where(h), 10u);
    CloseHandle(h);
}

TEST_F(FileHandleTest, PositionsAtTheTopOfThe32BitRange) {
    HANDLE h = openF(RW);
    SetFilePointer(h, 0x7FFFFFFF, nullptr, FILE_BEGIN);
    EXPECT_EQ(SetFilePointer(h, 0x7FFFFFFF, nullptr, FILE_CURRENT), 0xFFFFFFFEu);
    SetLastError(0xDEAD);
    EXPECT_EQ(SetFilePointer(h, 1, nullptr, FILE_CURRENT), 0xFFFFFFFFu);
    EXPECT_EQ(GetLastError(), 0u);  // a success that reads as the failure value
    // A result past 32 bits without a high part fails, as on Windows.
    EXPECT_FAILS_WITH(SetFilePointer(h, 1, nullptr, FILE_CURRENT) != INVALID_SET_FILE_POINTER, 87);
    LONG high = 0;
    EXPECT_EQ(SetFilePointer(h, -5, &high, FILE_BEGIN), 0xFFFFFFFBu);
    EXPECT_EQ(high, 0);
    CloseHandle(h);
}

TEST_F(FileHandleTest, ReadAndWritePastTheEnd) {
    HANDLE h = openF(RW);
    char buffer[30];
    DWORD n = 99;
    SetFilePointer(h, 1000, nullptr, FILE_BEGIN);
    EXPECT_TRUE(ReadFile(h, buffer, 10, &n, nullptr));
    EXPECT_EQ(n, 0u);
    EXPECT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(sizeOf("f.txt"), 1010u);
    SetFilePointer(h, 500, nullptr, FILE_BEGIN);
    EXPECT_TRUE(ReadFile(h, buffer, 10, &n, nullptr));
    EXPECT_EQ(std::vector<char>(buffer, buffer + 10), std::vector<char>(10, 0));
    CloseHandle(h);
}

TEST_F(FileHandleTest, SynchronousTransfersMoveThePointer) {
    HANDLE h = openF(RW);
    char buffer[30];
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(h, buffer, 30, &n, nullptr));
    EXPECT_EQ(n, 30u);
    EXPECT_EQ(buffer[29], 29);
    EXPECT_EQ(where(h), 30u);
    SetFilePointer(h, 80, nullptr, FILE_BEGIN);
    EXPECT_TRUE(ReadFile(h, buffer, 30, &n, nullptr));
    EXPECT_EQ(n, 20u);
    EXPECT_TRUE(ReadFile(h, buffer, 30, &n, nullptr));  // at the end: success, 0 bytes
    EXPECT_EQ(n, 0u);
    SetFilePointer(h, 10, nullptr, FILE_BEGIN);
    EXPECT_TRUE(WriteFile(h, "hello", 5, &n, nullptr));
    EXPECT_EQ(where(h), 15u);
    EXPECT_TRUE(ReadFile(h, buffer, 0, &n, nullptr));
    EXPECT_TRUE(WriteFile(h, buffer, 0, &n, nullptr));
    EXPECT_EQ(sizeOf("f.txt"), 100u);
    // An OVERLAPPED offset on a plain handle reads there and moves the pointer behind.
    OVERLAPPED ov{};
    ov.Offset = 50;
    EXPECT_TRUE(ReadFile(h, buffer, 10, &n, &ov));
    EXPECT_EQ(buffer[0], 50);
    EXPECT_EQ(where(h), 60u);
    CloseHandle(h);
}

TEST_F(FileHandleTest, TransfersNeedTheirAccess) {
    char buffer[10];
    DWORD n = 7;
    HANDLE w = openF(GENERIC_WRITE);
    EXPECT_FAILS_WITH(ReadFile(w, buffer, 10, &n, nullptr), 5);
    EXPECT_EQ(n, 0u);
    HANDLE r = openF(GENERIC_READ);
    EXPECT_FAILS_WITH(WriteFile(r, "abc", 3, &n, nullptr), 5);
    EXPECT_FAILS_WITH(WriteFile(r, "abc", 0, &n, nullptr), 5);
    HANDLE none = openF(0);
    EXPECT_FAILS_WITH(ReadFile(none, buffer, 10, &n, nullptr), 5);
    EXPECT_FAILS_WITH(WriteFile(none, "abc", 3, &n, nullptr), 5);
    for (HANDLE h : {w, r, none}) CloseHandle(h);
    EXPECT_FAILS_WITH(ReadFile(r, buffer, 10, &n, nullptr), 6);
}

TEST_F(FileHandleTest, OverlappedHandlesNeedAnOverlappedRecord) {
    HANDLE h = openF(RW, FILE_FLAG_OVERLAPPED);
    char buffer[10];
    DWORD n = 7;
    EXPECT_FAILS_WITH(ReadFile(h, buffer, 10, &n, nullptr), 87);
    EXPECT_EQ(n, 0u);
    EXPECT_FAILS_WITH(WriteFile(h, "abc", 3, &n, nullptr), 87);
    // The pointer and the end of file still work on an overlapped handle.
    EXPECT_EQ(SetFilePointer(h, 40, nullptr, FILE_BEGIN), 40u);
    EXPECT_TRUE(SetEndOfFile(h));
    EXPECT_EQ(sizeOf("f.txt"), 40u);
    EXPECT_TRUE(FlushFileBuffers(h));
    CloseHandle(h);
}

TEST_F(FileHandleTest, SetEndOfFileAtThePointer) {
    HANDLE h = openF(RW);
    for (DWORD size : {50u, 200u, 0u}) {
        SetFilePointer(h, static_cast<LONG>(size), nullptr, FILE_BEGIN);
        EXPECT_TRUE(SetEndOfFile(h));
        EXPECT_EQ(sizeOf("f.txt"), size);
        EXPECT_EQ(GetFileSize(h, nullptr), size);
        EXPECT_EQ(where(h), size);
        if (size == 200u) {
            // The bytes that growing adds read as zeros.
            char grown[150];
            DWORD n = 0;
            SetFilePointer(h, 50, nullptr, FILE_BEGIN);
            EXPECT_TRUE(ReadFile(h, grown, sizeof grown, &n, nullptr));
            EXPECT_EQ(std::vector<char>(grown, grown + n), std::vector<char>(150, 0));
        }
    }
    HANDLE r = openF(GENERIC_READ);
    SetFilePointer(r, 10, nullptr, FILE_BEGIN);
    EXPECT_FAILS_WITH(SetEndOfFile(r), 5);  // Windows refuses without write access
    EXPECT_EQ(sizeOf("f.txt"), 0u);
    CloseHandle(h);
    CloseHandle(r);
}

TEST_F(FileHandleTest, GetFileSizeOnAnyAccess) {
    for (DWORD access : {RW, GENERIC_READ, 0u}) {
        HANDLE h = openF(access);
        DWORD high = 7;
        EXPECT_EQ(GetFileSize(h, &high), 100u);
        EXPECT_EQ(high, 0u);
        EXPECT_EQ(SetFilePointer(h, 5, nullptr, FILE_BEGIN), 5u);
        CloseHandle(h);
        EXPECT_FAILS_WITH(GetFileSize(h, nullptr) != INVALID_FILE_SIZE, 6);
        EXPECT_FAILS_WITH(SetFilePointer(h, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER, 6);
        EXPECT_FAILS_WITH(SetEndOfFile(h), 6);
    }
}

TEST_F(FileHandleTest, FlushNeedsWriteAccessAndCloseAnOpenHandle) {
    for (DWORD access : {RW, GENERIC_WRITE}) {
        HANDLE h = openF(access);
        EXPECT_TRUE(FlushFileBuffers(h));
        CloseHandle(h);
    }
    for (DWORD access : {GENERIC_READ, 0u}) {
        HANDLE h = openF(access);
        EXPECT_FAILS_WITH(FlushFileBuffers(h), 5);
        EXPECT_TRUE(CloseHandle(h));
        EXPECT_FAILS_WITH(FlushFileBuffers(h), 6);
        EXPECT_FAILS_WITH(CloseHandle(h), 6);
    }
    EXPECT_FAILS_WITH(CloseHandle(nullptr), 6);
}

TEST_F(FileHandleTest, DuplicateWithWriteDataAccess) {
    HANDLE h = open("f.txt", RW, 0, OPEN_EXISTING);
    HANDLE d = nullptr;
    HANDLE self = GetCurrentProcess();
    ASSERT_TRUE(DuplicateHandle(self, h, self, &d, FILE_WRITE_DATA, TRUE, 0));
    char buffer[10];
    DWORD n = 0;
    EXPECT_FAILS_WITH(ReadFile(d, buffer, 10, &n, nullptr), 5);
    // The file pointer is shared.
    SetFilePointer(h, 20, nullptr, FILE_BEGIN);
    EXPECT_TRUE(WriteFile(d, "0123456789", 10, &n, nullptr));
    EXPECT_EQ(where(h), 30u);
    SetFilePointer(h, 55, nullptr, FILE_BEGIN);
    EXPECT_EQ(where(d), 55u);
    EXPECT_EQ(GetFileSize(d, nullptr), 100u);
    // No FILE_READ_ATTRIBUTES or FILE_WRITE_ATTRIBUTES: Windows refuses the attribute calls.
    BY_HANDLE_FILE_INFORMATION info;
    FILETIME t{};
    EXPECT_FAILS_WITH(GetFileInformationByHandle(d, &info), 5);
    EXPECT_FAILS_WITH(GetFileTime(d, nullptr, nullptr, &t), 5);
    EXPECT_FAILS_WITH(SetFileTime(d, nullptr, nullptr, &t), 5);
    EXPECT_TRUE(GetFileTime(h, nullptr, nullptr, &t));
    EXPECT_TRUE(FlushFileBuffers(d));
    SetFilePointer(d, 80, nullptr, FILE_BEGIN);
    EXPECT_TRUE(SetEndOfFile(d));
    EXPECT_EQ(sizeOf("f.txt"), 80u);
    for (DWORD protection : {PAGE_READONLY, PAGE_READWRITE})
        EXPECT_FAILS_WITH(CreateFileMappingA(d, nullptr, protection, 0, 0, nullptr) != nullptr, 5);
    EXPECT_TRUE(CloseHandle(d));
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    EXPECT_TRUE(ReadFile(h, buffer, 10, &n, nullptr));
    EXPECT_FAILS_WITH(CloseHandle(d), 6);
    CloseHandle(h);
    HANDLE out = INVALID_HANDLE_VALUE;
    EXPECT_FAILS_WITH(DuplicateHandle(self, h, self, &out, FILE_WRITE_DATA, TRUE, 0), 6);
    EXPECT_EQ(out, nullptr);
}

TEST_F(FileHandleTest, DuplicateOfAnOverlappedHandleStaysOverlapped) {
    HANDLE h = openF(RW, FILE_FLAG_OVERLAPPED);
    HANDLE d = nullptr;
    HANDLE self = GetCurrentProcess();
    ASSERT_TRUE(DuplicateHandle(self, h, self, &d, FILE_WRITE_DATA, TRUE, 0));
    DWORD n = 0;
    EXPECT_FAILS_WITH(WriteFile(d, "abc", 3, &n, nullptr), 87);
    CloseHandle(d);
    CloseHandle(h);
}

// A duplicate never gets more access than its source: asking for write-data access
// on a read-only handle is refused with 5, and nothing is written.
TEST_F(FileHandleTest, DuplicateOfAReadOnlyHandleCannotAskForWriting) {
    HANDLE r = openF(GENERIC_READ);
    HANDLE d = INVALID_HANDLE_VALUE;
    HANDLE self = GetCurrentProcess();
    EXPECT_FAILS_WITH(DuplicateHandle(self, r, self, &d, FILE_WRITE_DATA, TRUE, 0), 5);
    EXPECT_EQ(d, nullptr);
    ASSERT_TRUE(DuplicateHandle(self, r, self, &d, FILE_READ_DATA, TRUE, 0));
    DWORD n = 0;
    EXPECT_FAILS_WITH(WriteFile(d, "abc", 3, &n, nullptr), 5);
    EXPECT_EQ(sizeOf("f.txt"), 100u);
    CloseHandle(d);
    CloseHandle(r);
}
