// Reading command lines and cutting them into tokens.
#pragma once

#include <string>

#include "interpreter/parsed_command.h"

// The line buffer: at most 1023 characters, a zero byte, and the extra zero byte that
// Tokenise writes behind it.
struct LineBuffer {
    char text[kLineBufferSize + 1];
};

// Shows the prompt with the default path, then reads one line of standard input (at
// most 1023 characters; a longer line is taken in pieces). Gives 1 when no line could
// be read (end of input or a broken stream), else 0.
int ReadCommandLine(LineBuffer& line, const std::string& defaultPath);

// Reads one line of standard input into the buffer of the given size (at most
// size - 1 characters and a zero byte), without a prompt; WRITE's typed data and the
// extended-attribute dialogue read through it. Gives false at end of input.
bool ReadInputLine(char* buffer, std::size_t size);

// The 1-based number of the input line that the last read began on, counting every
// line of standard input (WRITE's typed data and the extended-attribute answers too);
// the pieces of a line too long for one read share its number.
std::size_t InputLineNumber();

// Fills the ParsedCommand from the line: blank-separated tokens, at most 100 (the
// rest are not stored); a token beginning with "//" and all behind it are dropped.
int Tokenise(LineBuffer& line, ParsedCommand& command);
