#!/usr/bin/env bash
# The test command: installs what is missing, builds the native build (portable
# core under ASan and UBSan), the fuzz build (clang, libFuzzer) and the Windows
# build, then runs every test. The Windows tests run last, through Wine, so the
# run ends with their CTest summary.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=$(nproc)

bash tools/bootstrap.sh

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j "$jobs"

CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMARI_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$jobs"

cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win -j "$jobs"

. tools/wine-session.sh
wine_session_start

status=0
echo "== native tests (ASan, UBSan) =="
ctest --test-dir build/native --output-on-failure -j "$jobs" || status=1
echo "== fuzzing =="
ctest --test-dir build/fuzz --output-on-failure -j "$jobs" || status=1
echo "== Windows tests under Wine =="
ctest --test-dir build/win --output-on-failure -j "$jobs" || status=1
exit $status
