#!/usr/bin/env bash
# Builds one libFuzzer target with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# and runs it for a given number of seconds on one core, inside a private network namespace.
#
#   scripts/fuzz.sh <target> <seconds> [extra libFuzzer options...]
#   targets: fuzz_message_receive, fuzz_variant_map, fuzz_dashboard_file
#
# The build lives in build-fuzz/ (BUILD_DIR overrides it). New inputs the fuzzer finds go to
# build-fuzz/fuzz/work-<target>/, crashes to build-fuzz/fuzz/artifacts-<target>/; copy a
# reproducer into tests/fuzz/corpus*/ so that the CTest replay keeps it.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:?usage: $0 <target> <seconds> [libFuzzer options...]}"
seconds="${2:?usage: $0 <target> <seconds> [libFuzzer options...]}"
shift 2
build="${BUILD_DIR:-$root/build-fuzz}"

case "$target" in
fuzz_message_receive)
    seeds="$root/tests/fuzz/corpus"
    dictionary=(-dict="$root/tests/fuzz/message.dict")
    ;;
fuzz_variant_map)
    seeds="$root/tests/fuzz/corpus-variantmap"
    dictionary=()
    ;;
fuzz_dashboard_file)
    seeds="$root/tests/fuzz/corpus-dashboard"
    dictionary=()
    ;;
*)
    echo "unknown fuzz target: $target" >&2
    exit 2
    ;;
esac

# clang 14 with the libFuzzer and sanitizer runtimes (Debian 12 packages).
fuzzer_runtime="$(clang -print-resource-dir 2>/dev/null)/lib/linux/libclang_rt.fuzzer-x86_64.a"
if ! command -v clang++ >/dev/null || [ ! -f "$fuzzer_runtime" ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends clang-14 clang libclang-rt-14-dev
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTESSIVAR_FUZZ=ON -DTESSIVAR_SANITIZE=ON -DTESSIVAR_BUILD_BENCH=OFF
fi
cmake --build "$build" --target "$target" -j2

work="$build/fuzz/work-$target"
artifacts="$build/fuzz/artifacts-$target"
mkdir -p "$work" "$artifacts"

# One process on one core. Inputs are at most a few kilobytes, so any allocation beyond
# the malloc limit is driven by a size the input announces: report it as a finding.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
exec "$root/scripts/in-private-network.sh" "$build/fuzz/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "${dictionary[@]}" "$@" "$work" "$seeds"
