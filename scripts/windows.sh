#!/usr/bin/env bash
# The Windows stage of the test command: cross-builds qzjdbc.dll for 32-bit Windows and checks
# that it exports exactly the two entry points, then cross-builds the Windows tests for x64 and
# runs them under wine64 (headless, in a wine prefix of its own inside the build folder).
# The packages come from scripts/install-deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
start=$SECONDS

# 32-bit DLL and its export table.
cmake -S . -B build-win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DQZ_BUILD_TESTS=OFF >/dev/null
cmake --build build-win32 -j"$jobs" --target qzjdbc
dll=build-win32/engine/qzjdbc.dll
i686-w64-mingw32-objdump -f "$dll" | grep -q 'file format pei-i386' ||
  { echo "$dll is not a 32-bit Windows DLL"; exit 1; }
exports=$(i686-w64-mingw32-objdump -p "$dll" |
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
expected=$(printf '%s\n' qzComInitRemoteEngine qzComTerminateRemoteEngine)
if [ "$exports" != "$expected" ]; then
  echo "$dll exports:"; echo "$exports"; echo "expected exactly:"; echo "$expected"; exit 1
fi
echo "$dll exports exactly: $(echo $exports)"

# x64 tests under wine64 (Debian's wine64 package ships the loader without a wrapper).
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)
cmake -S . -B build-win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" >/dev/null
cmake --build build-win64 -j"$jobs" --target windows_platform_test windows_crash_child \
  windows_memman_test windows_memman_threads_test
export WINEPREFIX=$PWD/build-win64/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
"$wine" wineboot -i >/dev/null 2>&1 || true
status=0
(cd build-win64 && ctest --output-on-failure -R '^windows_') || status=$?
"$wineserver" -k 2>/dev/null || true
echo "windows stage: $((SECONDS - start)) s"
exit "$status"
