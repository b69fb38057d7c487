#include "runner/run_script.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>

#include "platform/process.h"

namespace runner {

namespace fs = std::filesystem;

namespace {

// A new folder below `parent` that no other run uses.
fs::path FreshFolder(const fs::path& parent) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    while (true) {
        fs::path folder = parent / ("dravik-run-" + std::to_string(seed) + "-" + std::to_string(counter++));
        std::error_code error;
        if (fs::create_directories(folder, error)) return folder;
        if (error) throw fs::filesystem_error("cannot make a scratch folder", folder, error);
    }
}

// The folder below --keep for a script: its key without the extension, with no way
// out of the keep folder.
fs::path KeepFolder(const std::string& keep, const Script& script) {
    fs::path folder = keep;
    fs::path key = fs::path(script.key).relative_path();
    key.replace_extension();
    for (const fs::path& part : key) folder /= (part == ".." || part == ".") ? fs::path("_") : part;
    return folder;
}

// The folders of one run: `work` holds the transcript, the error output and the
// results file; `scratch` is the script's current directory.
struct Folders {
    fs::path work;
    fs::path scratch;
};

// Fills folders as it makes them, so that what was made can be removed when a later one fails.
void MakeFolders(const Script& script, const RunSettings& settings, ScriptResult& result, Folders& folders) {
    if (settings.keep.empty()) {
        folders.work = FreshFolder(fs::temp_directory_path());
    } else {
        folders.work = fs::absolute(KeepFolder(settings.keep, script));
        fs::remove_all(folders.work);
        fs::create_directories(folders.work);
        result.keptFolder = folders.work.string();
    }
    folders.scratch = folders.work / "scratch";
    if (settings.dir.empty()) {
        fs::create_directory(folders.scratch);
    } else {
        folders.scratch = FreshFolder(fs::absolute(settings.dir));
    }
}

// Removes what the run leaves unless --keep asks to keep it.
void TidyFolders(const Folders& folders, const RunSettings& settings, ScriptResult& result) {
    std::error_code ignored;
    if (settings.keep.empty()) {
        fs::remove_all(folders.work, ignored);
        if (!settings.dir.empty()) fs::remove_all(folders.scratch, ignored);
    } else if (!settings.dir.empty()) {
        result.keptFolder += " (scratch folder " + folders.scratch.string() + ")";
    }
}

ProcessEnd ProcessEndOf(const platform::ChildEnd& end, unsigned timeoutSeconds) {
    ProcessEnd processEnd;
    processEnd.how = end.how == platform::ChildEnd::How::TimedOut  ? ProcessEnd::How::TimedOut
                     : end.how == platform::ChildEnd::How::Crashed ? ProcessEnd::How::Crashed
                                                                   : ProcessEnd::How::Exited;
    processEnd.code = end.code;
    processEnd.detail = end.detail;
    processEnd.timeoutSeconds = timeoutSeconds;
    return processEnd;
}

}  // namespace

ScriptResult RunScript(const Script& script, const RunSettings& settings, std::string& startProblem) {
    ScriptResult result;
    result.script = script;
    unsigned long long offset = 0;
    unsigned byte = 0;
    if (FindBinaryByte(script.file, offset, byte)) {
        result.status = Status::NotRun;
        result.message = "not a script: byte " + std::to_string(byte) + " at offset " + std::to_string(offset) +
                         " is not text; it was not run";
        return result;
    }

    Folders folders;
    try {
        MakeFolders(script, settings, result, folders);
    } catch (const fs::filesystem_error& e) {
        // A scratch folder that the file system under test refuses: this script cannot run.
        result.status = Status::NotRun;
        result.message = e.what();
        TidyFolders(folders, settings, result);
        return result;
    }
    fs::path results = folders.work / "results.jsonl";
    platform::ChildStart start{settings.dravik,
                               script.file.string(),
                               (folders.work / "transcript.txt").string(),
                               (folders.work / "stderr.txt").string(),
                               folders.scratch.string(),
                               "DRAVIK_RESULTS",
                               results.string(),
                               settings.timeoutSeconds};
    auto began = std::chrono::steady_clock::now();
    platform::ChildEnd end = platform::RunChild(start);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    if (end.how == platform::ChildEnd::How::NotStarted) {
        startProblem = settings.dravik + ": dravik cannot be started: " + end.detail;
        result.status = Status::NotRun;
        result.message = startProblem;
    } else {
        ReadRecords(results.string(), result);
        Judge(ProcessEndOf(end, settings.timeoutSeconds), result);
    }
    TidyFolders(folders, settings, result);
    return result;
}

}  // namespace runner
