// The overlapped modes of the transfer engine on a device that is always full: a
// WRITE reports 112 in the single-request, event and callback modes, whether the
// requests fail at their start or at their completion, and moves no bytes.
#include <gtest/gtest.h>

#include <vector>

#include "files/file_object.h"

namespace {

ReturnCode WriteToFullDevice(const FileObject::OneShotSettings& settings, std::uint32_t& moved) {
    FileObject file;
    file.setPath("/dev/full");
    file.addOpenFlags(FileObject::kOpenIfExists);
    file.setOverlapped(1);
    if (ReturnCode rc = file.open(0)) return rc;
    std::vector<unsigned char> data(std::size_t{100} * settings.requestCount);
    file.setOneShot(settings);
    FileObject::TransferRequest request;
    request.write = true;
    request.buffer = data.data();
    request.length = 100;
    request.offset = 0;
    ReturnCode rc = file.transfer(request);
    moved = file.byteCount();
    file.close();
    return rc;
}

TEST(TransferAsyncFailures, AFailedOverlappedWriteReportsItsCodeInEveryMode) {
    const FileObject::OneShotSettings modes[] = {{1, false}, {3, false}, {1, true}, {2, true}};
    for (const auto& mode : modes) {
        std::uint32_t moved = 7;
        EXPECT_EQ(WriteToFullDevice(mode, moved), 112) << mode.requestCount << (mode.callback ? " callback" : "");
        EXPECT_EQ(moved, 0u);
    }
}

}  // namespace
