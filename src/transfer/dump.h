// The dump of data read: printable characters, CR and LF pass through as they are;
// every other byte becomes two uppercase hexadecimal digits. The dump adds no
// offsets, separators or line ends of its own.
#pragma once

#include <cstddef>

namespace transfer {

// Receives the dump's bytes in pieces, in order.
using DumpSink = void (*)(void* context, const char* data, std::size_t size);

void dumpData(const unsigned char* data, std::size_t length, DumpSink sink, void* context);

// The dump written to the transcript as it is made.
void dumpToTranscript(const unsigned char* data, std::size_t length);

}  // namespace transfer
