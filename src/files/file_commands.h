// The commands on file slots: opening a file into a slot, the handle commands, and
// byte-range locking.
#pragma once

#include "interpreter/parsed_command.h"

struct RunState;

// CREATE and OPEN (open_commands.cpp)
void createCommand(RunState& run, ParsedCommand& cmd);
void openCommand(RunState& run, ParsedCommand& cmd);

// CLOSE, DUPHANDLE, COMMIT, CHGPTR, CHGEOF, GETFILESIZE, MAP, UNMAP (handle_commands.cpp)
void closeCommand(RunState& run, ParsedCommand& cmd);
void dupHandleCommand(RunState& run, ParsedCommand& cmd);
void commitCommand(RunState& run, ParsedCommand& cmd);
void chgPtrCommand(RunState& run, ParsedCommand& cmd);
void chgEofCommand(RunState& run, ParsedCommand& cmd);
void getFileSizeCommand(RunState& run, ParsedCommand& cmd);
void mapCommand(RunState& run, ParsedCommand& cmd);
void unmapCommand(RunState& run, ParsedCommand& cmd);

// LOCK, UNLOCK, LOCKUNLOCK (lock_commands.cpp)
void lockCommand(RunState& run, ParsedCommand& cmd);
void unlockCommand(RunState& run, ParsedCommand& cmd);
void lockUnlockCommand(RunState& run, ParsedCommand& cmd);
