// Platform values the command code needs but cannot ask for.
#pragma once

#include <string_view>

namespace platform {

// The default path when the current directory cannot be used: the root of the drive
// that the current directory is on (Z:, the root "/", on Linux).
#ifdef _WIN32
inline constexpr std::string_view kFallbackRoot = "C:\\";
#else
inline constexpr std::string_view kFallbackRoot = "Z:\\";
#endif

}  // namespace platform
