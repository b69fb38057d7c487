#include "transfer/dump.h"

#include "interpreter/output.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace transfer {
namespace {

bool passesThrough(unsigned char byte) { return (byte >= 0x20 && byte <= 0x7E) || byte == '\r' || byte == '\n'; }

#if defined(__x86_64__) || defined(__i386__)
// Bytes that pass through, 32 at a time: the length of the leading run of whole
// 32-byte groups that pass. Signed compares: 0x80..0xFF are negative and fail.
__attribute__((target("avx2"))) std::size_t passThroughGroups(const unsigned char* data, std::size_t length) {
    const __m256i below = _mm256_set1_epi8(0x1F);
    const __m256i above = _mm256_set1_epi8(0x7F);
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    std::size_t i = 0;
    for (; i + 32 <= length; i += 32) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        __m256i printable = _mm256_and_si256(_mm256_cmpgt_epi8(v, below), _mm256_cmpgt_epi8(above, v));
        __m256i ok = _mm256_or_si256(printable, _mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, lf)));
        if (_mm256_movemask_epi8(ok) != -1) break;
    }
    return i;
}
#endif

// Length of the run of bytes at data that pass through unchanged. Text data is one
// long run, so this scan is the dump's hot loop.
std::size_t passThroughRun(const unsigned char* data, std::size_t length) {
    std::size_t i = 0;
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) i = passThroughGroups(data, length);
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

void dumpToTranscript(const unsigned char* data, std::size_t length) {
    dumpData(
        data, length, [](void*, const char* piece, std::size_t size) { out::raw(piece, size); }, nullptr);
}

}  // namespace transfer
