#!/usr/bin/env bash
# Builds the program and its integration tests under AddressSanitizer (build-asan/) and
# runs the window tests (windows unloaded while a handler of theirs runs, and every
# window with its host and dialogs), where a use after free would otherwise go unseen.
#
#   bash scripts/asan-tests.sh [GTEST_FILTER]
set -euo pipefail
cd "$(dirname "$0")/.."
filter=${1:-'*Unload*:WindowLifetime*:OperatorInput*:StopButton*:InterpWindow*:MainWindow*:LiveStatus*:Joy*:FilesWindow*:ParListWindow*:TextWindow*:frmEdit*'}

bash scripts/install-deps.sh
[ -f build-asan/build.ninja ] || cmake -S . -B build-asan -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DKELVORIN_ASAN=ON >/dev/null
cmake --build build-asan --target integration_tests

# Qt and the font libraries keep some memory to the end of the process: leaks are not
# what these tests look for.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export QT_QPA_PLATFORM=offscreen
build-asan/bin/integration_tests --gtest_filter="$filter"
