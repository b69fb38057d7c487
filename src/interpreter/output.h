// The transcript: whole lines to standard output, flushed at every line end, so that a
// log shows each "doing" line before the call that may hang.
#pragma once

#include <cstddef>
#include <string_view>

namespace out {

// Writes the text and a line end, then flushes.
void line(std::string_view text);

// Writes the text, then the number in unsigned decimal, a line end, and flushes.
void line(std::string_view text, unsigned long long number);

// Writes a bare line end and flushes.
void blank();

// Writes text without a line end; it leaves with the next flush.
void text(std::string_view text);

// Writes bytes as they are (a dump); they leave with the next flush.
void raw(const char* data, std::size_t size);

void flush();

}  // namespace out
