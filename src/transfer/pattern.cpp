#include "transfer/pattern.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace transfer {
namespace {

constexpr char RecordTemplate[] = "00000000 written to file ...\r\n";
static_assert(sizeof RecordTemplate - 1 == PatternRecordSize);

// Bulk generation works in blocks of 1000 records (30000 bytes) that start at a file
// offset B divisible by 30000. The record at index j of a block has the offset
// B + 30 j; as B is a multiple of 10000, its lowest four digits are those of 30 j and
// its upper four digits are those of B / 10000 + (30 j) / 10000, one of three values.
// So each record's digit word is a table entry or'ed with one of three block values.
constexpr std::size_t BlockRecords = 1000;
constexpr std::size_t BlockSize = BlockRecords * PatternRecordSize;
constexpr std::uint64_t LowSpan = 10000;  // the lowest four digits

void writeDigits(std::uint64_t value, int count, char* digits) {
    for (int i = count - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

struct BlockTables {
    // The lowest four digits of each record in place (bytes 4..7 of the digit word),
    // the upper four left zero.
    std::array<std::uint64_t, BlockRecords> lowDigits;
    std::array<std::uint8_t, BlockRecords> carry;  // (30 j) / 10000

    BlockTables() {
        for (std::size_t j = 0; j < BlockRecords; ++j) {
            char digits[8] = {};
            writeDigits(j * PatternRecordSize % LowSpan, 4, digits + 4);
            std::memcpy(&lowDigits[j], digits, 8);
            carry[j] = static_cast<std::uint8_t>(j * PatternRecordSize / LowSpan);
        }
    }
};

const BlockTables& blockTables() {
    static const BlockTables tables;
    return tables;
}

// The digit words of one block: the upper four digits for each carry value, or'ed
// with the lowest four of record j.
class BlockDigits {
public:
    explicit BlockDigits(std::uint64_t blockStart) : tables_(blockTables()) {
        std::uint64_t upper = blockStart / LowSpan;
        for (std::uint64_t t = 0; t < upper_.size(); ++t) {
            char digits[8] = {};
            writeDigits((upper + t) % 10000, 4, digits);
            std::memcpy(&upper_[t], digits, 8);
        }
    }
    std::uint64_t word(std::size_t j) const { return upper_[tables_.carry[j]] | tables_.lowDigits[j]; }

private:
    const BlockTables& tables_;
    std::array<std::uint64_t, 3> upper_{};
};

// Writes records [from, to) of the block that starts at blockStart, record from at
// out. The last one is written exactly, so nothing past it is touched.
void writeLastRecord(std::uint64_t word, unsigned char* out) {
    std::memcpy(out, &word, 8);
    std::memcpy(out + 8, RecordTemplate + 8, PatternRecordSize - 8);
}

#if defined(__x86_64__) || defined(__i386__)
// With AVX2 a record is one 32-byte store: the digit word blended into the template,
// whose two spare bytes the next record overwrites.
__attribute__((target("avx2"))) void fillRecordsAvx2(const BlockDigits& digits, std::size_t from, std::size_t to,
                                                     unsigned char* out) {
    unsigned char padded[32] = {};
    std::memcpy(padded, RecordTemplate, PatternRecordSize);
    const __m256i record = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(padded));
    for (std::size_t j = from; j + 1 < to; ++j, out += PatternRecordSize) {
        __m256i word = _mm256_castsi128_si256(_mm_cvtsi64_si128(static_cast<long long>(digits.word(j))));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_blend_epi32(record, word, 0x3));
    }
    writeLastRecord(digits.word(to - 1), out);
}
#endif

void fillRecords(std::uint64_t blockStart, std::size_t from, std::size_t to, unsigned char* out) {
    const BlockDigits digits(blockStart);
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return fillRecordsAvx2(digits, from, to, out);
#endif
    for (std::size_t j = from; j < to; ++j, out += PatternRecordSize) writeLastRecord(digits.word(j), out);
}

// Writes part of the record that starts at file offset start: bytes [skip, skip + n).
void fillPartialRecord(std::uint64_t start, std::size_t skip, std::size_t n, unsigned char* out) {
    unsigned char record[PatternRecordSize];
    std::memcpy(record, RecordTemplate, PatternRecordSize);
    writeDigits(start % 100000000u, 8, reinterpret_cast<char*>(record));
    std::memcpy(out, record + skip, n);
}

#if defined(__x86_64__) || defined(__i386__)
// Compares records [from, to) of a block with data without writing them anywhere:
// each record is one 32-byte compare, whose last two bytes (the next record's) are
// not counted. The last record is compared exactly, so nothing past it is read.
__attribute__((target("avx2"))) bool recordsMatchAvx2(const BlockDigits& digits, std::size_t from, std::size_t to,
                                                      const unsigned char* data) {
    unsigned char padded[32] = {};
    std::memcpy(padded, RecordTemplate, PatternRecordSize);
    const __m256i record = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(padded));
    for (std::size_t j = from; j + 1 < to; ++j, data += PatternRecordSize) {
        __m256i word = _mm256_castsi128_si256(_mm_cvtsi64_si128(static_cast<long long>(digits.word(j))));
        __m256i expected = _mm256_blend_epi32(record, word, 0x3);
        __m256i actual = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data));
        auto equal = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(expected, actual)));
        if ((equal | 0xC0000000u) != 0xFFFFFFFFu) return false;
    }
    unsigned char last[PatternRecordSize];
    writeLastRecord(digits.word(to - 1), last);
    return std::memcmp(last, data, PatternRecordSize) == 0;
}
#endif

bool recordsMatch(std::uint64_t blockStart, std::size_t from, std::size_t to, const unsigned char* data) {
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return recordsMatchAvx2(BlockDigits(blockStart), from, to, data);
#endif
    static thread_local unsigned char expected[BlockSize];
    fillRecords(blockStart, from, to, expected);
    return std::memcmp(expected, data, (to - from) * PatternRecordSize) == 0;
}

// Walks the file range [offset, offset + length) as the pieces the pattern is made
// in: a partial first record, runs of whole records inside one block, and a partial
// last record. Each piece goes to its visitor with its position in the caller's
// buffer; the walk stops when a visitor gives false.
template <class Partial, class Records>
bool walkRecords(std::uint64_t offset, std::size_t length, Partial partial, Records records) {
    std::size_t at = 0;
    std::size_t skip = static_cast<std::size_t>(offset % PatternRecordSize);
    if (skip != 0) {
        std::size_t n = std::min(PatternRecordSize - skip, length);
        if (!partial(offset - skip, skip, n, at)) return false;
        offset += n;
        at += n;
        length -= n;
    }
    while (length >= PatternRecordSize) {
        std::uint64_t blockStart = offset - offset % BlockSize;
        std::size_t from = static_cast<std::size_t>((offset - blockStart) / PatternRecordSize);
        std::size_t to = std::min(BlockRecords, from + length / PatternRecordSize);
        if (!records(blockStart, from, to, at)) return false;
        std::size_t n = (to - from) * PatternRecordSize;
        offset += n;
        at += n;
        length -= n;
    }
    return length == 0 || partial(offset, 0, length, at);
}

}  // namespace

void fillPattern(std::uint64_t offset, std::size_t length, unsigned char* buffer) {
    walkRecords(
        offset, length,
        [&](std::uint64_t start, std::size_t skip, std::size_t n, std::size_t at) {
            fillPartialRecord(start, skip, n, buffer + at);
            return true;
        },
        [&](std::uint64_t blockStart, std::size_t from, std::size_t to, std::size_t at) {
            fillRecords(blockStart, from, to, buffer + at);
            return true;
        });
}

bool matchesPattern(std::uint64_t offset, const unsigned char* data, std::size_t length) {
    return walkRecords(
        offset, length,
        [&](std::uint64_t start, std::size_t skip, std::size_t n, std::size_t at) {
            unsigned char expected[PatternRecordSize];
            fillPartialRecord(start, skip, n, expected);
            return std::memcmp(expected, data + at, n) == 0;
        },
        [&](std::uint64_t blockStart, std::size_t from, std::size_t to, std::size_t at) {
            return recordsMatch(blockStart, from, to, data + at);
        });
}

}  // namespace transfer
