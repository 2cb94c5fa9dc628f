#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: first the sanitizer build
# (ASan + UBSan) of the tests that start no JVM, then every test of the release build.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs")

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
cd build && ctest --output-on-failure -j"$jobs"
