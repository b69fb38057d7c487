// GETATTRIBUTES (GETATTR, GETATTRS) and SETATTRIBUTES (SETATTR, SETATTRS): the status
// of one file, named by an open handle slot or by path.
#pragma once

#include "interpreter/parsed_command.h"

struct RunState;

void getAttributesCommand(RunState& run, ParsedCommand& cmd);
void setAttributesCommand(RunState& run, ParsedCommand& cmd);
