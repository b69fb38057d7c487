// The file that GETATTRIBUTES and SETATTRIBUTES work on: a first token that reads as a
// number is a file slot (0 included; 668 when it is 256 or more or empty, with no
// fallback to a file of that name), any other is a name.
#pragma once

#include "interpreter/command_state.h"
#include "interpreter/path_parts.h"

struct AttributeSubject {
    bool byHandle = false;
    FileObject* file = nullptr;  // by handle
    PathParts parts;             // by name
};

void readAttributeSubject(CommandState& st, const ParsedCommand& cmd, AttributeSubject& subject);
