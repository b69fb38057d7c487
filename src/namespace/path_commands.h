// The path commands: MD, RD, CD, DELETE (ERASE), RENAME, MOVE and COPY. Each makes one
// FSDirEntry for the command, puts the qualified name (and the target) into it and
// calls one path operation.
#pragma once

#include "interpreter/parsed_command.h"

struct RunState;

void mdCommand(RunState& run, ParsedCommand& cmd);
void rdCommand(RunState& run, ParsedCommand& cmd);
void cdCommand(RunState& run, ParsedCommand& cmd);
void deleteCommand(RunState& run, ParsedCommand& cmd);
void renameCommand(RunState& run, ParsedCommand& cmd);
void moveCommand(RunState& run, ParsedCommand& cmd);
void copyCommand(RunState& run, ParsedCommand& cmd);
