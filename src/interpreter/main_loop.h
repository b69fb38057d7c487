// The main loop: start-up, prompt, read, tokenise, dispatch, and the end of the run.
#pragma once

class CommandTable;
class ResultObserver;

// Runs the interpreter over standard input with the commands of the table; gives the
// process's exit status (0, or 1 when the run could not start at all). The observer,
// when given, is told of each command and its checks (interpreter/results.h).
int RunInterpreter(const CommandTable& commands, ResultObserver* observer = nullptr);
