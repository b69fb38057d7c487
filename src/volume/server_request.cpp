#include "volume/server_request.h"

#include <cstring>

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
    for (int i = 0; i < 4; ++i) buffer[i] = static_cast<unsigned char>(value >> (8 * i));
    std::memcpy(buffer + 4, name.c_str(), name.size() + 1);
    unsigned char* data = buffer + 4 + name.size() + 1;
    for (std::uint64_t offset = 0; offset < dataLength; offset += kServerRecordSize) {
        unsigned char* record = data + offset;
        std::uint64_t digits = offset % 100000000;
        for (int i = 7; i >= 0; --i, digits /= 10) record[i] = static_cast<unsigned char>('0' + digits % 10);
        std::memcpy(record + 8, kRecordText, kServerRecordSize - 8);
    }
}

std::string FormatReplyDump(const unsigned char* reply, std::size_t size) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string dump;
    dump.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        unsigned char byte = reply[i];
        if ((byte >= 0x20 && byte <= 0x7E) || byte == '\r' || byte == '\n') {
            dump += static_cast<char>(byte);
        } else {
            dump += kHex[byte >> 4];
            dump += kHex[byte & 0xF];
        }
    }
    return dump;
}
