// The request block that SERVERIOCTL sends to the redirector driver.
//
// The block: the request value (4 bytes, little-endian), the server name and its zero
// terminator, then the data area of numbered 30-byte records:
//   "00000030 server IOCTL bytes.\r\n"  (the record's offset in the data area)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kServerRecordSize = 30;
// The name field holds at most this many characters before its terminator.
constexpr std::size_t kMaxServerNameLength = 99;

struct ServerRequestSize {
    // Bytes the block occupies in its buffer: the data area is filled with whole
    // records, so the last record may reach past the declared data length.
    std::uint64_t whole;
    // Bytes declared to the driver: value, name, terminator and the data length.
    std::uint64_t input;
};

ServerRequestSize MeasureServerRequest(std::uint32_t dataLength, std::size_t nameLength);

// Writes the block into a buffer of at least MeasureServerRequest(...).whole bytes.
void BuildServerRequest(unsigned char* buffer, std::uint32_t value, const std::string& name, std::uint32_t dataLength);
