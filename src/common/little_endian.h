// 32-bit words in little-endian byte order, as the driver requests and replies carry
// them, whatever the byte order of the machine.
#pragma once

#include <cstdint>

inline void PutLittleEndian32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline std::uint32_t GetLittleEndian32(const unsigned char* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}
