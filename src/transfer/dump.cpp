#include "transfer/dump.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace transfer {
namespace {

bool passesThrough(unsigned char byte) { return (byte >= 0x20 && byte <= 0x7E) || byte == '\r' || byte == '\n'; }

// Length of the run of bytes at data that pass through unchanged. Text data is one
// long run, so this scan is the dump's hot loop: sixteen bytes at a time where SSE2 is
// there.
std::size_t passThroughRun(const unsigned char* data, std::size_t length) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i below = _mm_set1_epi8(0x1F);  // signed: 0x80..0xFF are negative
    const __m128i above = _mm_set1_epi8(0x7F);
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= length; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        __m128i printable = _mm_and_si128(_mm_cmpgt_epi8(v, below), _mm_cmplt_epi8(v, above));
        __m128i ok = _mm_or_si128(printable, _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (_mm_movemask_epi8(ok) != 0xFFFF) break;
    }
#endif
    while (i < length && passesThrough(data[i])) ++i;
    return i;
}

}  // namespace

void dumpData(const unsigned char* data, std::size_t length, DumpSink sink, void* context) {
    static const char Hex[] = "0123456789ABCDEF";
    char escaped[512];
    std::size_t pos = 0;
    while (pos < length) {
        std::size_t run = passThroughRun(data + pos, length - pos);
        if (run > 0) sink(context, reinterpret_cast<const char*>(data + pos), run);
        pos += run;
        // Escape the bytes that follow, up to the next one that passes through.
        std::size_t n = 0;
        while (pos < length && !passesThrough(data[pos]) && n + 2 <= sizeof escaped) {
            escaped[n++] = Hex[data[pos] >> 4];
            escaped[n++] = Hex[data[pos] & 0xF];
            ++pos;
        }
        if (n > 0) sink(context, escaped, n);
    }
}

}  // namespace transfer
