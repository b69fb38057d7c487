// The commands on file slots: opening a file into a slot, the handle commands, and
// byte-range locking.
#pragma once

#include "interpreter/parsed_command.h"

// CREATE and OPEN (open_commands.cpp)
void createCommand(ParsedCommand& cmd);
void openCommand(ParsedCommand& cmd);

// CLOSE, DUPHANDLE, COMMIT, CHGPTR, CHGEOF, GETFILESIZE, MAP, UNMAP (handle_commands.cpp)
void closeCommand(ParsedCommand& cmd);
void dupHandleCommand(ParsedCommand& cmd);
void commitCommand(ParsedCommand& cmd);
void chgPtrCommand(ParsedCommand& cmd);
void chgEofCommand(ParsedCommand& cmd);
void getFileSizeCommand(ParsedCommand& cmd);
void mapCommand(ParsedCommand& cmd);
void unmapCommand(ParsedCommand& cmd);

// LOCK, UNLOCK, LOCKUNLOCK (lock_commands.cpp)
void lockCommand(ParsedCommand& cmd);
void unlockCommand(ParsedCommand& cmd);
void lockUnlockCommand(ParsedCommand& cmd);
