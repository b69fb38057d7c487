// HELP and ?: the command reference.
#pragma once

void printHelp();
