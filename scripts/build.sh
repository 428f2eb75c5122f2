#!/usr/bin/env bash
# Installs what is missing and builds everything into build/ (programs in build/bin), or
# only the given targets (bash scripts/build.sh kelvorin kelvorin-cmd).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# KELVORIN_CMAKE_ARGS: more options for a first configuration (CI: -DKELVORIN_WERROR=ON).
# shellcheck disable=SC2086
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  ${KELVORIN_CMAKE_ARGS:-}
if [ $# -gt 0 ]; then cmake --build build --target "$@"; else cmake --build build; fi
