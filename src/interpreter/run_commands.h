// Commands that act on the run itself: PROMPT, SETDEFAULTPATH, and the recognised
// commands that do nothing or say they are not supported.
#pragma once

#include "interpreter/parsed_command.h"

struct RunState;

void promptCommand(RunState& run, ParsedCommand& cmd);
void setDefaultPathCommand(RunState& run, ParsedCommand& cmd);
void freeDirCommand(RunState& run, ParsedCommand& cmd);
void devIoctlCommand(RunState& run, ParsedCommand& cmd);
// TIMER, ATTACH/ASSIGN and DETACH/RELEASE: accepted, and nothing is written or changed.
void acceptedCommand(RunState& run, ParsedCommand& cmd);
