#include "commands.h"
#include "interpreter/main_loop.h"
#include "interpreter/results_file.h"

int main() {
    std::unique_ptr<ResultsFile> results = ResultsFile::FromEnvironment();
    return RunInterpreter(Commands(), results.get());
}
