// The tokens of one input line. Entry 0 is the command word; every entry behind the
// last token is empty. A token is never empty, so an empty entry means "no token".
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "interpreter/constants.h"

struct ParsedCommand {
    std::array<std::string, kMaxTokens> tokens;

    bool has(std::size_t entry) const { return entry < kMaxTokens && !tokens[entry].empty(); }
    std::string& operator[](std::size_t entry) { return tokens[entry]; }
    const std::string& operator[](std::size_t entry) const { return tokens[entry]; }
};
