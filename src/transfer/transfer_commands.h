// READ and WRITE: the data commands on a file slot.
#pragma once

#include "interpreter/parsed_command.h"

void readCommand(ParsedCommand& cmd);
void writeCommand(ParsedCommand& cmd);
