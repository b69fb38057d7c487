// GETATTRIBUTES (GETATTR, GETATTRS) and SETATTRIBUTES (SETATTR, SETATTRS): the status
// of one file, named by an open handle slot or by path.
#pragma once

#include "interpreter/parsed_command.h"

void getAttributesCommand(ParsedCommand& cmd);
void setAttributesCommand(ParsedCommand& cmd);
