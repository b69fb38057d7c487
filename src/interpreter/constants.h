// The fixed sizes of a run.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kLineBufferSize = 1024;  // at most 1023 characters and a zero byte
constexpr std::size_t kMaxTokens = 100;
constexpr std::size_t kFileSlots = 256;
constexpr std::size_t kSearchSlots = 64;
constexpr std::size_t kBufferSize = 132072;    // ReadBuffer and WorkBuffer
constexpr std::size_t kDefaultPathSize = 256;  // 255 characters and a terminator

// Return codes: 0 is success; 666 and above are command-line problems.
using ReturnCode = std::uint16_t;
constexpr ReturnCode kSyntaxError = 666;
constexpr ReturnCode kInvalidHandle = 668;
constexpr ReturnCode kHandleInUse = 669;
