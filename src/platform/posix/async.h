// Overlapped requests on a file handle opened with FILE_FLAG_OVERLAPPED (and
// ReadFileEx/WriteFileEx on any file handle), carried by io_uring where it can be set
// up, else completed at submission. ReadFile/WriteFile hand their OVERLAPPED form here.
#pragma once

#include "platform/posix/file_handle.h"

namespace posix {

// Starts one request at the OVERLAPPED offset. With a completion routine the request
// is an ...Ex request: its routine is queued to run in a later alertable wait.
// Gives what the Win32 call gives: FALSE with 997 once started (also when it already
// completed, as Wine does), or FALSE with the code of a request that could not start
// or that failed when it was carried out at submission.
BOOL SubmitOverlapped(FileHandle& handle, bool write, void* buffer, DWORD length, OVERLAPPED* overlapped,
                      LPOVERLAPPED_COMPLETION_ROUTINE routine);

// True when requests go to io_uring; false when each completes at submission.
bool AsyncUsesRing();

// Waits for every request in flight, then sets the layer up again from DRAVIK_ASYNC
// (tests use it to run the same checks in both modes).
void ReconfigureAsync();

}  // namespace posix
