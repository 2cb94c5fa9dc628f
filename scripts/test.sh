#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: every test in the sanitizer
# build (ASan + UBSan; the tests that start a JVM too, with the ASAN_OPTIONS CMake gives them),
# then every test of the release build, then the Windows stage (scripts/windows.sh: the 32-bit
# DLL and its exports, the Windows tests under wine64), then the libFuzzer targets for
# QZ_FUZZ_SECONDS each (default 10; 0 leaves them out), from the corpora in the tree.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs")

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
bash scripts/windows.sh
bash scripts/tidy.sh

fuzz_seconds=${QZ_FUZZ_SECONDS:-10}
if ((fuzz_seconds > 0)); then
  fuzzers=(tests/config/config_reader tests/config/expand tests/platform/registry
           tests/jdbc/sql_literals tests/tools/qzsql/qzsql_statements
           tests/tools/qzsql/qzsql_writers tests/variant/variant)
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_FUZZ=ON \
    >/dev/null
  targets=()
  for f in "${fuzzers[@]}"; do targets+=("${f##*/}_fuzz"); done
  cmake --build build-fuzz -j"$jobs" --target "${targets[@]}"
  for f in "${fuzzers[@]}"; do
    name=${f##*/}
    # Work on a copy: what a run finds stays out of the tree unless someone adds it.
    work=build-fuzz/corpus/$name
    rm -rf "$work" && mkdir -p "$work"
    if [ -d "$(dirname "$f")/corpus/$name" ]; then cp "$(dirname "$f")/corpus/$name"/* "$work"/; fi
    echo "fuzzing $name for ${fuzz_seconds}s"
    "build-fuzz/${f}_fuzz" -max_total_time="$fuzz_seconds" -max_len=4096 \
      -artifact_prefix="build-fuzz/$name-" "$work" 2>"build-fuzz/$name.log" ||
      { tail -40 "build-fuzz/$name.log"; exit 1; }
  done
fi
