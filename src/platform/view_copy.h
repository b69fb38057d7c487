// Copies to and from a mapped view of a file. Touching a view can fail where touching
// other memory cannot: the file was cut short by another process, or its file system
// could not page the data in (an I/O error, a lost server). Windows raises an in-page
// error there (STATUS_IN_PAGE_ERROR), which converts to ERROR_SWAPERROR (999); the
// copy reports that code instead of ending the run.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The code of a copy that met a fault in the view.
constexpr std::uint32_t kViewFaultError = 999;

// Copies size bytes from `from` to `to`, one of which lies in a mapped view. Gives 0,
// or kViewFaultError when the view faulted (how much was copied is then unknown).
std::uint32_t CopyWithViewGuard(void* to, const void* from, std::size_t size);

}  // namespace platform
