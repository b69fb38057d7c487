// The cost of finding names without regard to case, on a directory of 100,000 entries
// in /dev/shm: GetFileAttributesA of a name spelled as it is stored (the fast path: one
// lstat more than the plain lookup) against the same call with DRAVIK_CASE=sensitive
// and against a bare stat; and of a name spelled in another case (the miss path: the
// directory is read through) against one readdir pass over the same directory.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/win32.h"

namespace {

constexpr int kEntries = 100000;

// The directory, made once and removed at exit.
struct Scratch {
    std::string path;
    Scratch() {
        char pattern[] = "/dev/shm/dravik-names-bench.XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        path = pattern;
        for (int i = 0; i < kEntries; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/entry-%06d.dat", i);
            int fd = open((path + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd >= 0) close(fd);
        }
    }
    ~Scratch() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

const std::string& Directory() {
    static const Scratch scratch;
    return scratch.path;
}

std::string Win32Name(const std::string& file) {
    std::string name = "Z:" + Directory() + "/" + file;
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

void Attributes(benchmark::State& state, const char* file, bool sensitive) {
    std::string name = Win32Name(file);
    if (sensitive) setenv("DRAVIK_CASE", "sensitive", 1);
    for (auto _ : state) benchmark::DoNotOptimize(GetFileAttributesA(name.c_str()));
    unsetenv("DRAVIK_CASE");
}

void ExactName(benchmark::State& state) { Attributes(state, "entry-050000.dat", false); }
void ExactNameSensitive(benchmark::State& state) { Attributes(state, "entry-050000.dat", true); }
void CaseMiss(benchmark::State& state) { Attributes(state, "ENTRY-050000.DAT", false); }

void PlainStat(benchmark::State& state) {
    std::string path = Directory() + "/entry-050000.dat";
    struct stat st;
    for (auto _ : state) benchmark::DoNotOptimize(stat(path.c_str(), &st));
}

void ReaddirPass(benchmark::State& state) {
    for (auto _ : state) {
        DIR* dir = opendir(Directory().c_str());
        int count = 0;
        while (readdir(dir) != nullptr) ++count;
        closedir(dir);
        benchmark::DoNotOptimize(count);
    }
}

}  // namespace

BENCHMARK(ExactName);
BENCHMARK(ExactNameSensitive);
BENCHMARK(PlainStat);
BENCHMARK(CaseMiss)->Unit(benchmark::kMillisecond);
BENCHMARK(ReaddirPass)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
