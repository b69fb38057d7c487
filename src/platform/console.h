// Standard input and output of the console process, without a stdio layer between.
// Output is kept until Flush, which hands it to the system in one write (WriteFile on
// Windows), byte for byte on both builds so that the same bytes reach a log; input
// drops the CR of a CR LF line end on both.
#pragma once

namespace console {

// Called once at start, before any input or output.
void Setup();

// Writes bytes to standard output; Flush pushes them out.
void Write(const char* data, unsigned long size);
void Flush();

// Reads one byte of standard input: its value, or -1 at end of input or on error.
// Before it waits for input, what was written is flushed (a prompt has no line end).
int ReadByte();

// Puts one byte back, to be read again by the next ReadByte.
void UnreadByte(int c);

}  // namespace console
