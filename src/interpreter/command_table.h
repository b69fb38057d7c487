// Dispatch: the handler of each CommandId.
#pragma once

#include "interpreter/keywords.h"
#include "interpreter/parsed_command.h"

using CommandHandler = void (*)(ParsedCommand&);

// The handler of a command, or null for EXIT (which ends the loop) and for None.
CommandHandler HandlerOf(CommandId id);
