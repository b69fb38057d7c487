// FINDFIRST, FINDNEXT and FINDCLOSE: numbered directory searches shown in groups.
#pragma once

#include "interpreter/parsed_command.h"

struct RunState;

void findFirstCommand(RunState& run, ParsedCommand& cmd);
void findNextCommand(RunState& run, ParsedCommand& cmd);
void findCloseCommand(RunState& run, ParsedCommand& cmd);
