#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks and runs the engine's: one table of minimum
# and median times and their ratios, all measured in this run (a few minutes). Extra
# arguments go to the program (for example --rows=20000, or Google Benchmark's flags).
# QZ_BENCH_JVM_OPTIONS, if set, is the one set of JVM options both sides run with.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target engine_bench alloc_bench

# No -Xcheck:jni and no engine trace: both would time themselves, not the work.
export QZ_JVM_OPTIONS="${QZ_BENCH_JVM_OPTIONS:-}"
unset QZCOM_JDBC_DEBUG
exec build-bench/bench/engine_bench --benchmark_enable_random_interleaving=true "$@"
