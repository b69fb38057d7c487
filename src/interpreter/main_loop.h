// The main loop: start-up, prompt, read, tokenise, dispatch, and the end of the run.
#pragma once

// Runs the interpreter over standard input; gives the process's exit status (0, or 1
// when the run could not start at all).
int RunInterpreter();
