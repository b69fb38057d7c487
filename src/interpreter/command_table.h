// The command table: one row per command, found by its words through an index.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "interpreter/parsed_command.h"
#include "interpreter/word_index.h"

struct RunState;

using CommandHandler = void (*)(RunState&, ParsedCommand&);

// A command: its words in upper case (unused places null), the first its title (the name a results record
// gives it, whatever word the line used); its handler, null for the command that ends
// the run; and its block of the help text, lines each ending in "\n", empty for a
// command that the help text does not list.
struct CommandRow {
    std::array<const char*, 4> words;
    CommandHandler handler;
    std::string_view help;

    std::string_view title() const { return words[0]; }
};

class CommandTable {
public:
    constexpr CommandTable(std::span<const CommandRow> rows, std::span<const IndexedWord<CommandRow>> index)
        : rows_(rows), index_(index) {}

    // Upper-cases the command word in place and gives its row; null for an absent word
    // or a word not in the table.
    const CommandRow* find(std::string& word) const;

    // Every row, in the order of the help text.
    std::span<const CommandRow> rows() const { return rows_; }

private:
    std::span<const CommandRow> rows_;
    std::span<const IndexedWord<CommandRow>> index_;
};
