// The data kernels of READ and WRITE against the library routine that does the same
// amount of memory work: the pattern fill against memcpy, the verification against
// memcmp, the dump of pattern data against fwrite of the same bytes (both to
// /dev/null). Each pair runs in the same process on the same sizes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "transfer/dump.h"
#include "transfer/pattern.h"

namespace {

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void FillPattern(benchmark::State& state) {
    std::vector<unsigned char> out(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        transfer::fillPattern(40, out.size(), out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    setBytes(state);
}

void Memcpy(benchmark::State& state) {
    std::vector<unsigned char> in(static_cast<std::size_t>(state.range(0)), 'x'), out(in.size());
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), out.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    setBytes(state);
}

void Verify(benchmark::State& state) {
    std::vector<unsigned char> data(static_cast<std::size_t>(state.range(0)));
    transfer::fillPattern(40, data.size(), data.data());
    for (auto _ : state) benchmark::DoNotOptimize(transfer::matchesPattern(40, data.data(), data.size()));
    setBytes(state);
}

void Memcmp(benchmark::State& state) {
    std::vector<unsigned char> a(static_cast<std::size_t>(state.range(0)));
    transfer::fillPattern(40, a.size(), a.data());
    std::vector<unsigned char> b = a;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(b.data());
        benchmark::DoNotOptimize(std::memcmp(a.data(), b.data(), a.size()));
    }
    setBytes(state);
}

void toFile(void* context, const char* data, std::size_t size) {
    std::fwrite(data, 1, size, static_cast<std::FILE*>(context));
}

void Dump(benchmark::State& state) {
    std::vector<unsigned char> data(static_cast<std::size_t>(state.range(0)));
    transfer::fillPattern(40, data.size(), data.data());
    std::FILE* null = std::fopen("/dev/null", "wb");
    for (auto _ : state) transfer::dumpData(data.data(), data.size(), toFile, null);
    std::fclose(null);
    setBytes(state);
}

void Fwrite(benchmark::State& state) {
    std::vector<unsigned char> data(static_cast<std::size_t>(state.range(0)));
    transfer::fillPattern(40, data.size(), data.data());
    std::FILE* null = std::fopen("/dev/null", "wb");
    for (auto _ : state) std::fwrite(data.data(), 1, data.size(), null);
    std::fclose(null);
    setBytes(state);
}

constexpr std::int64_t Small = 128 << 10;
constexpr std::int64_t Large = 64 << 20;

BENCHMARK(FillPattern)->Arg(Small)->Arg(Large);
BENCHMARK(Memcpy)->Arg(Small)->Arg(Large);
BENCHMARK(Verify)->Arg(Small)->Arg(Large);
BENCHMARK(Memcmp)->Arg(Small)->Arg(Large);
BENCHMARK(Dump)->Arg(Small)->Arg(Large);
BENCHMARK(Fwrite)->Arg(Small)->Arg(Large);

}  // namespace

BENCHMARK_MAIN();
