// FINDFIRST, FINDNEXT and FINDCLOSE: numbered directory searches shown in groups.
#pragma once

#include "interpreter/parsed_command.h"

void findFirstCommand(ParsedCommand& cmd);
void findNextCommand(ParsedCommand& cmd);
void findCloseCommand(ParsedCommand& cmd);
