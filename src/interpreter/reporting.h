// The messages of command-line problems and the failure banner.
#pragma once

#include "interpreter/constants.h"

// Writes the message line of a code of 666 or more.
void ReportParseCode(ReturnCode code);

// Writes a blank line, the five banner lines and one more blank line.
void PrintFailureBanner();
