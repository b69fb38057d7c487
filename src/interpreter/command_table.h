// Dispatch: the handler of each CommandId.
#pragma once

#include <string_view>

#include "interpreter/keywords.h"
#include "interpreter/parsed_command.h"

struct RunState;

using CommandHandler = void (*)(RunState&, ParsedCommand&);

struct CommandRow {
    CommandId id;
    std::string_view name;  // canonical: upper case, whatever word the line used
    CommandHandler handler;
};

// The row of a command, or null for EXIT (which ends the loop) and for None.
const CommandRow* RowOf(CommandId id);
