#include "interpreter/output.h"

#include <charconv>

#include "platform/console.h"

namespace out {

void text(std::string_view text) { console::Write(text.data(), text.size()); }

void raw(const char* data, std::size_t size) { console::Write(data, size); }

void flush() { console::Flush(); }

void line(std::string_view line) {
    text(line);
    blank();
}

void line(std::string_view line, unsigned long long number) {
    char digits[24];
    auto result = std::to_chars(digits, digits + sizeof digits, number);
    text(line);
    text(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
    blank();
}

void blank() {
    console::Write("\n", 1);
    console::Flush();
}

}  // namespace out
