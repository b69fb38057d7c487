// READ and WRITE: the data commands on a file slot.
#pragma once

#include "interpreter/parsed_command.h"

struct RunState;

void readCommand(RunState& run, ParsedCommand& cmd);
void writeCommand(RunState& run, ParsedCommand& cmd);
