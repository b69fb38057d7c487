#!/usr/bin/env bash
# Runs every test: installs what is missing (as root, with apt-get), builds the Linux
# build, the Windows build and a sanitizer build, and runs ctest on them: the Linux
# build runs the unit, platform and transcript tests and, through Wine, the same
# transcripts with the Windows build; the AddressSanitizer + UndefinedBehaviorSanitizer
# build runs everything but the Wine tests, with LeakSanitizer on.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${DRAVIK_JOBS:-2}

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v perl >/dev/null || missing+=(perl)
command -v clang-format >/dev/null || missing+=(clang-format)
command -v run-clang-tidy >/dev/null || missing+=(clang-tidy)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
[ -f /usr/include/liburing.h ] || missing+=(liburing-dev)
[ -f /usr/share/zoneinfo/America/New_York ] || missing+=(tzdata)  # the time-zone tests
# dravik-run and its tests: the two header-only libraries and the report readers.
[ -f /usr/include/nlohmann/json.hpp ] || missing+=(nlohmann-json3-dev)
[ -f /usr/include/CLI/CLI.hpp ] || missing+=(libcli11-dev)
/usr/bin/python3 -c 'import tap, yaml' 2>/dev/null || missing+=(python3-tap python3-yaml)
/usr/bin/python3 -c 'import junitparser' 2>/dev/null || missing+=(python3-junitparser)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(mingw-w64)
[ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
command -v scdoc >/dev/null || missing+=(scdoc)
command -v man >/dev/null || missing+=(man-db)
# The platform tests of FUSE volumes mount exFAT and NTFS images.
command -v mkfs.exfat >/dev/null || missing+=(exfatprogs)
command -v mount.exfat-fuse >/dev/null || missing+=(exfat-fuse)
command -v ntfs-3g >/dev/null || missing+=(ntfs-3g)
# faultfs, the FUSE file system of the fault tests.
[ -f /usr/include/fuse3/fuse.h ] || missing+=(libfuse3-dev)
command -v fusermount3 >/dev/null || missing+=(fuse3)
command -v pkg-config >/dev/null || missing+=(pkg-config)
# The fuzzing campaign of .ci/run (fuzz/run.sh): AFL++ and clang's sanitizer runtimes.
command -v afl-clang-fast++ >/dev/null || missing+=(afl++)
[ -f /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.asan-x86_64.a ] || missing+=(libclang-rt-14-dev)
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing: ${missing[*]} (run as root to install them with apt-get)" >&2
        exit 1
    fi
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Random and fuzzed scripts never run as root: they run as this unprivileged user.
if [ "$(id -u)" -eq 0 ] && ! id -u dravik-test >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin dravik-test
fi

# Every C++ file is formatted with the repository's .clang-format: a difference fails.
find src tests tools bench -name '*.cpp' -o -name '*.h' | sort | xargs clang-format --dry-run --Werror

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

cmake --preset linux -DDRAVIK_WINE_EXE="$root/build-win/dravik.exe" >/dev/null
cmake --build --preset linux -j "$jobs"

# Wine's first start makes its prefix; do it once, before the tests run in parallel.
export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
/usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 || true

ctest --test-dir build --output-on-failure -j "$jobs"

# The checks of .clang-tidy, on every C++ file of the Linux build: a finding fails.
if ! run-clang-tidy -p build -j "$jobs" -quiet "$root/src/" "$root/tests/" "$root/tools/" >build/clang-tidy.log 2>&1; then
    grep -E 'error:|warning:' build/clang-tidy.log | grep -v 'warnings generated' || true
    echo "clang-tidy: findings listed above" >&2
    exit 1
fi

cmake --preset asan -DDRAVIK_BENCH=OFF >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE wine
