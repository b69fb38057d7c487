// Extended attributes (EAs) asked for by CREATE, MKDIR, GETATTRIBUTES and
// SETATTRIBUTES. The Win32 file interface that dravik drives has no EA calls: the
// dialogue runs in full, what it reads is dropped, and a listing always finds no EA.
#pragma once

#include "interpreter/constants.h"

enum class EAPromptMode { NamesOnly, NamesAndValues };

// Asks for EA names (and in NamesAndValues mode for their values) on standard input
// until an empty name. Gives 0, or 1 when standard input ended during the dialogue.
ReturnCode promptForEAs(EAPromptMode mode);

// Prints the EA listing of a file: on this platform it has none.
void listEAs();
