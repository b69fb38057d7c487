#include "volume/server_request.h"

#include <cstring>

#include "common/little_endian.h"

namespace {
constexpr char kRecordText[] = " server IOCTL bytes.\r\n";
static_assert(8 + sizeof kRecordText - 1 == kServerRecordSize);
}  // namespace

ServerRequestSize MeasureServerRequest(std::uint32_t dataLength, std::size_t nameLength) {
    std::uint64_t records = (static_cast<std::uint64_t>(dataLength) + kServerRecordSize - 1) / kServerRecordSize;
    std::uint64_t head = 4 + static_cast<std::uint64_t>(nameLength) + 1;
    return {head + records * kServerRecordSize, head + dataLength};
}

void BuildServerRequest(unsigned char* buffer, std::uint32_t value, const std::string& name, std::uint32_t dataLength) {
    PutLittleEndian32(buffer, value);
    std::memcpy(buffer + 4, name.c_str(), name.size() + 1);
    unsigned char* data = buffer + 4 + name.size() + 1;
    for (std::uint64_t offset = 0; offset < dataLength; offset += kServerRecordSize) {
        unsigned char* record = data + offset;
        std::uint64_t digits = offset % 100000000;
        for (int i = 7; i >= 0; --i, digits /= 10) record[i] = static_cast<unsigned char>('0' + digits % 10);
        std::memcpy(record + 8, kRecordText, kServerRecordSize - 8);
    }
}
