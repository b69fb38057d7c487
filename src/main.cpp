#include "interpreter/main_loop.h"

int main() { return RunInterpreter(); }
