// The standard data pattern: an endless stream of 30-byte text records laid end to
// end from file offset 0. The record at file offset N reads "NNNNNNNN written to file
// ..." followed by CR LF, where NNNNNNNN are the lowest 8 decimal digits of N. Any
// byte of a file written this way can be told from its offset alone.
#pragma once

#include <cstddef>
#include <cstdint>

namespace transfer {

constexpr std::size_t PatternRecordSize = 30;

// Writes the pattern bytes of file offsets [offset, offset + length) into
// buffer[0 .. length - 1], and nothing beyond. Offsets past 4 GiB continue the stream
// (a transfer may start below 4 GiB and run past it).
void fillPattern(std::uint64_t offset, std::size_t length, unsigned char* buffer);

// True when data[0 .. length - 1] equals the pattern of file offsets
// [offset, offset + length).
bool matchesPattern(std::uint64_t offset, const unsigned char* data, std::size_t length);

}  // namespace transfer
