// The path commands: MD, RD, CD, DELETE (ERASE), RENAME, MOVE and COPY. Each makes one
// FSDirEntry for the command, puts the qualified name (and the target) into it and
// calls one path operation.
#pragma once

#include "interpreter/parsed_command.h"

void mdCommand(ParsedCommand& cmd);
void rdCommand(ParsedCommand& cmd);
void cdCommand(ParsedCommand& cmd);
void deleteCommand(ParsedCommand& cmd);
void renameCommand(ParsedCommand& cmd);
void moveCommand(ParsedCommand& cmd);
void copyCommand(ParsedCommand& cmd);
