// dravik-run [options] SCRIPT|FOLDER...: runs dravik scripts for CI and reports a
// verdict per script (TAP on standard output; JUnit XML and JSON on request).
#include <CLI/CLI.hpp>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>

#include "dravik_version.h"
#include "platform/process.h"
#include "runner/known_failures.h"
#include "runner/reports.h"
#include "runner/run_script.h"

namespace {

using namespace runner;
namespace fs = std::filesystem;

// Exit statuses.
constexpr int kAllPassed = 0;
constexpr int kSomeFailed = 1;
constexpr int kBadInput = 2;

struct Options {
    std::vector<std::string> paths;
    std::string junit, json, knownFailures, keep, dir, dravik;
    unsigned timeout = 300;
    unsigned jobs = 1;
    bool timing = false;
};

int Problem(const std::string& message) {
    std::cerr << "dravik-run: " << message << "\n";
    return kBadInput;
}

// The progress line on a terminal: "[12/240] PATH", written over the last one.
class Progress {
public:
    explicit Progress(std::size_t total) : total_(total), shown_(platform::StandardErrorIsTerminal()) {}
    void starting(std::size_t index, const std::string& path) {
        if (!shown_) return;
        std::lock_guard<std::mutex> guard(lock_);
        std::string text = "[" + std::to_string(index + 1) + "/" + std::to_string(total_) + "] " + path;
        std::size_t width = std::max(text.size(), width_);
        width_ = text.size();
        std::cerr << "\r" << text << std::string(width - text.size(), ' ') << std::flush;
    }
    void finish() {
        if (shown_ && width_ > 0) std::cerr << "\r" << std::string(width_, ' ') << "\r" << std::flush;
    }

private:
    std::size_t total_;
    bool shown_;
    std::size_t width_ = 0;
    std::mutex lock_;
};

// Runs the scripts, `jobs` at a time, and prints each TAP point as soon as it and
// every point before it are known.
std::vector<ScriptResult> RunAll(const std::vector<Script>& scripts, const RunSettings& settings, unsigned jobs,
                                 const std::vector<KnownFailure>& known, std::string& startProblem) {
    std::vector<std::optional<ScriptResult>> done(scripts.size());
    std::mutex lock;
    std::condition_variable ready;
    std::size_t next = 0;
    Progress progress(scripts.size());
    auto worker = [&] {
        while (true) {
            std::size_t index;
            {
                std::lock_guard<std::mutex> guard(lock);
                if (next == scripts.size() || !startProblem.empty()) return;
                index = next++;
            }
            progress.starting(index, scripts[index].path);
            std::string problem;
            ScriptResult result = RunScript(scripts[index], settings, problem);
            ApplyKnownFailures(known, result);
            std::lock_guard<std::mutex> guard(lock);
            if (!problem.empty() && startProblem.empty()) startProblem = problem;
            done[index] = std::move(result);
            ready.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < std::min<std::size_t>(jobs, scripts.size()); ++i) threads.emplace_back(worker);

    std::vector<ScriptResult> results;
    std::cout << TapHeader(scripts.size()) << std::flush;
    for (std::size_t index = 0; index < scripts.size(); ++index) {
        std::unique_lock<std::mutex> guard(lock);
        ready.wait(guard, [&] { return done[index].has_value() || (!startProblem.empty() && index >= next); });
        if (!done[index]) break;
        results.push_back(std::move(*done[index]));
        guard.unlock();
        if (startProblem.empty()) std::cout << TapPoint(index + 1, results.back()) << std::flush;
    }
    for (std::thread& t : threads) t.join();
    progress.finish();
    return results;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

int Run(const Options& options) {
    std::vector<Script> scripts;
    std::string problem;
    if (!CollectScripts(options.paths, scripts, problem)) return Problem(problem);
    std::vector<KnownFailure> known;
    if (!options.knownFailures.empty() && !ReadKnownFailures(options.knownFailures, known, problem))
        return Problem(problem);

    RunSettings settings;
    settings.timeoutSeconds = options.timeout;
    settings.dir = options.dir;
    settings.keep = options.keep;
    settings.dravik = options.dravik;
    if (settings.dravik.empty()) {
        fs::path own = platform::OwnProgramPath();
        settings.dravik = (own.parent_path() / ("dravik" + own.extension().string())).string();
    }
    std::error_code error;
    if (!fs::is_regular_file(settings.dravik, error)) return Problem(settings.dravik + ": no dravik there to run");
    if (!settings.dir.empty() && !fs::is_directory(settings.dir, error))
        return Problem(settings.dir + ": --dir names no folder");
    settings.dravik = fs::absolute(settings.dravik).string();

    std::string startProblem;
    std::vector<ScriptResult> results = RunAll(scripts, settings, options.jobs, known, startProblem);
    if (!startProblem.empty()) return Problem(startProblem);

    int status = kAllPassed;
    for (const ScriptResult& result : results) {
        if (FailsTheRun(result)) status = kSomeFailed;
    }
    if (options.timing) std::cout << TimingTable(Timing(results)) << std::flush;
    if (!options.junit.empty() && !WriteFile(options.junit, JunitReport(results)))
        return Problem(options.junit + ": the JUnit file cannot be written");
    if (!options.json.empty() && !WriteFile(options.json, JsonText(JsonReport(results, status), 1) + "\n"))
        return Problem(options.json + ": the JSON file cannot be written");
    return status;
}

// Parses the command line and runs. Everything it throws reaches main.
int ParseAndRun(int argc, char** argv) {
    Options options;
    CLI::App app{"Runs dravik scripts and reports a verdict per script (TAP on standard output)."};
    app.set_version_flag("--version", std::string("dravik-run ") + DRAVIK_VERSION);
    app.add_option("paths", options.paths, "scripts, or folders of *.dvk scripts")->required();
    app.add_option("--junit", options.junit,
                   "also write JUnit XML to FILE: one testsuite per script, one testcase per checked line")
        ->type_name("FILE");
    app.add_option("--json", options.json, "also write every record of every script and a summary as JSON to FILE")
        ->type_name("FILE");
    app.add_option("--timeout", options.timeout, "seconds a script may run before it is killed as hung (default 300)")
        ->type_name("S")
        ->check(CLI::PositiveNumber);
    app.add_option("--known-failures", options.knownFailures,
                   "failures to expect, lines SCRIPT[:LINE] reason (see KNOWN FAILURES in dravik-run(1))")
        ->type_name("FILE");
    app.add_flag("--timing", options.timing,
                 "print count, median, 99th percentile and maximum wall time per command word");
    app.add_option("--keep", options.keep, "keep each script's transcript and scratch folder below DIR")
        ->type_name("DIR");
    app.add_option("--jobs", options.jobs, "run N scripts at a time, each in its own folder and process (default 1)")
        ->type_name("N")
        ->check(CLI::Range(1, 256));
    app.add_option("--dravik", options.dravik, "the dravik to run (default: the one beside dravik-run)")
        ->type_name("PATH");
    app.add_option("--dir", options.dir,
                   "make the scratch folders below DIR, on the file system under test (default: the system's "
                   "temporary folder)")
        ->type_name("DIR");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "dravik-run: " << e.what() << "\n"
                  << "Run with --help for more information.\n";
        return kBadInput;
    }
    return Run(options);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return ParseAndRun(argc, argv);
    } catch (const std::exception& e) {
        return Problem(e.what());
    } catch (...) {
        return kBadInput;
    }
}
