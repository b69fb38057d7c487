// HELP and ?: the command reference, with each command's block in the order of the table.
#pragma once

class CommandTable;

void PrintHelp(const CommandTable& commands);
