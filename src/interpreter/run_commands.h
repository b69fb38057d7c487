// Commands that act on the run itself: PROMPT, SETDEFAULTPATH, and the recognised
// commands that do nothing or say they are not supported.
#pragma once

#include "interpreter/parsed_command.h"

void promptCommand(ParsedCommand& cmd);
void setDefaultPathCommand(ParsedCommand& cmd);
void freeDirCommand(ParsedCommand& cmd);
void devIoctlCommand(ParsedCommand& cmd);
// TIMER, ATTACH/ASSIGN and DETACH/RELEASE: accepted, and nothing is written or changed.
void acceptedCommand(ParsedCommand& cmd);
