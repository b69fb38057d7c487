// dravik as afl-fuzz runs it: the interpreter on standard input, with its results
// records on, each run in a fresh and empty folder fuzz-scratch below the starting
// folder, so that no run meets what an earlier one left and a run's outcome is its
// input's alone. Only ever run inside fuzz/sandbox.sh: a fuzzed script performs real
// file operations.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "commands.h"
#include "interpreter/main_loop.h"
#include "interpreter/results_file.h"

int main() {
    namespace fs = std::filesystem;
    const fs::path scratch = fs::absolute("fuzz-scratch");
    const fs::path results = fs::absolute("fuzz-results.jsonl");
    std::error_code error;
    fs::remove_all(scratch, error);  // symbolic links are removed, never followed
    fs::remove(results, error);
    if (!fs::create_directory(scratch, error) || chdir(scratch.c_str()) != 0) return 1;
    setenv("DRAVIK_RESULTS", results.c_str(), 1);
    std::unique_ptr<ResultsFile> observer = ResultsFile::FromEnvironment();
    return RunInterpreter(Commands(), observer.get());
}
