// FileObject over a real scratch file: how the open flags choose the disposition, the
// size step, the seek origins and the end-of-file change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "files/file_object.h"

namespace {

class FileObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dravik-fileobject-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const char* name) const { return dir_ + "/" + name; }

    // A FileObject opened with the given open flags (and size, unless -1).
    ReturnCode openWith(FileObject& file, const char* name, std::uint16_t flags, std::uint32_t size = 0xFFFFFFFFu) {
        file.setPath(path(name).c_str());
        if (size != 0xFFFFFFFFu) file.setCreateSize(size);
        file.addOpenFlags(flags);
        return file.open(0);
    }

    DWORD position(FileObject& file) { return SetFilePointer(file.systemHandle(), 0, nullptr, FILE_CURRENT); }

    std::string dir_;
};

}  // namespace

TEST_F(FileObjectTest, OpenFlagsChooseTheDisposition) {
    FileObject created;
    EXPECT_EQ(openWith(created, "a", 0), 0);  // no flags: create new
    EXPECT_EQ(created.accessFlags(), FileObject::kRead | FileObject::kWrite);
    created.close();
    FileObject again;
    EXPECT_EQ(openWith(again, "a", 0), 80);
    FileObject neither;
    EXPECT_EQ(openWith(neither, "a", FileObject::kFailIfNew | FileObject::kFailIfExists), 87);
    FileObject missing;
    EXPECT_EQ(openWith(missing, "b", FileObject::kFailIfNew | FileObject::kOpenIfExists), 2);
}

TEST_F(FileObjectTest, SizeAppliesOnlyWhereTheFileIsNewOrReplaced) {
    FileObject replaced;
    ASSERT_EQ(openWith(replaced, "a", FileObject::kCreateIfNew | FileObject::kReplaceIfExists, 1000), 0);
    EXPECT_EQ(std::filesystem::file_size(path("a")), 1000u);
    EXPECT_EQ(position(replaced), 1000u);
    replaced.close();
    FileObject kept;
    ASSERT_EQ(openWith(kept, "a", FileObject::kCreateIfNew | FileObject::kOpenIfExists, 10), 0);
    EXPECT_EQ(std::filesystem::file_size(path("a")), 1000u);
    kept.close();
}

TEST_F(FileObjectTest, AFailedSizeStepClosesTheHandle) {
    FileObject file;
    // 2147483648 is a negative distance: the positioning step fails.
    EXPECT_EQ(openWith(file, "a", FileObject::kCreateIfNew | FileObject::kReplaceIfExists, 2147483648u), 65535);
    EXPECT_TRUE(std::filesystem::exists(path("a")));
    FileObject next;  // share mode 0 on both: a leaked handle would refuse this open
    EXPECT_EQ(openWith(next, "a", FileObject::kFailIfNew | FileObject::kOpenIfExists), 0);
    next.close();
}

TEST_F(FileObjectTest, SeekOriginsAndTheEndOfFile) {
    FileObject file;
    ASSERT_EQ(openWith(file, "a", FileObject::kCreateIfNew | FileObject::kReplaceIfExists, 300), 0);
    file.moveFromEnd();
    file.setSeekDistance(-100);
    EXPECT_EQ(file.seek(), 0);
    EXPECT_EQ(position(file), 200u);
    // The move method is back at from-beginning after every seek, failed or not.
    file.setSeekDistance(50);
    EXPECT_EQ(file.seek(), 0);
    EXPECT_EQ(position(file), 50u);
    file.moveFromCurrent();
    file.setSeekDistance(-51);
    EXPECT_EQ(file.seek(), 131);
    file.setSeekDistance(7);
    EXPECT_EQ(file.seek(), 0);
    EXPECT_EQ(position(file), 7u);

    EXPECT_EQ(file.changeEndOfFile(100), 0);
    EXPECT_EQ(std::filesystem::file_size(path("a")), 100u);
    EXPECT_EQ(position(file), 100u);
    std::uint32_t size = 1;
    EXPECT_EQ(file.getFileSize(size), 0);
    EXPECT_EQ(size, 100u);
    EXPECT_EQ(file.changeEndOfFile(0x80000000u), 65535);
    EXPECT_EQ(std::filesystem::file_size(path("a")), 100u);
    file.close();
}

TEST_F(FileObjectTest, DuplicatesWriteButDoNotRead) {
    FileObject file;
    ASSERT_EQ(openWith(file, "a", FileObject::kCreateIfNew | FileObject::kReplaceIfExists, 10), 0);
    HANDLE duplicate = nullptr;
    ASSERT_EQ(file.duplicate(duplicate), 0);
    char buffer[4];
    DWORD n = 0;
    SetFilePointer(duplicate, 0, nullptr, FILE_BEGIN);
    EXPECT_FALSE(ReadFile(duplicate, buffer, 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), 5u);
    EXPECT_TRUE(WriteFile(duplicate, "abcd", 4, &n, nullptr));
    CloseHandle(duplicate);
    file.close();
}

TEST_F(FileObjectTest, LockUnlockRunsOneHalf) {
    FileObject file;
    ASSERT_EQ(openWith(file, "a", FileObject::kCreateIfNew | FileObject::kReplaceIfExists, 10), 0);
    EXPECT_EQ(file.lockUnlock(100, 1, 200, 5), 158);  // unlock half only
    EXPECT_EQ(file.lock(100, 1), 0);                  // so byte 100 was free
    EXPECT_EQ(file.lockUnlock(100, 1, 0, 0), 33);     // lock half: already locked
    EXPECT_EQ(file.unlock(100, 1), 0);
    EXPECT_EQ(file.unlock(100, 0), 0);  // length 0: a zero-length lock at offset 0
    EXPECT_EQ(file.unlock(0, 0), 0);    // zero-length locks do not conflict
    file.close();
}

TEST_F(FileObjectTest, MapAndUnmap) {
    FileObject empty;
    ASSERT_EQ(openWith(empty, "e", FileObject::kCreateIfNew | FileObject::kReplaceIfExists), 0);
    EXPECT_EQ(empty.map(), 1006);
    EXPECT_FALSE(empty.mapped());
    EXPECT_EQ(empty.unmap(), 487);
    empty.close();
    auto* file = new FileObject;
    ASSERT_EQ(openWith(*file, "a", FileObject::kCreateIfNew | FileObject::kReplaceIfExists, 10), 0);
    ASSERT_EQ(file->map(), 0);
    EXPECT_TRUE(file->mapped());
    EXPECT_EQ(file->changeEndOfFile(5), 1224);
    file->close();
    delete file;  // destroying a mapped object unmaps it
    FileObject reopened;
    ASSERT_EQ(openWith(reopened, "a", FileObject::kFailIfNew | FileObject::kReplaceIfExists), 0);
    EXPECT_EQ(std::filesystem::file_size(path("a")), 0u);
    reopened.close();
}
