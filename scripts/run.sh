#!/usr/bin/env bash
# Installs what is missing, builds, and starts kelvorin on the settings beside it
# (the built-in simulated EZHR17 unless they are changed). Extra arguments go to kelvorin.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh kelvorin kelvorin-cmd kelvorin-sim kelvorin_settings  # the programs only
args=("$@")
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [[ " ${args[*]} " != *" -platform "* ]]; then
  echo "run: no display; starting without a window (-platform offscreen)"
  args+=(-platform offscreen)
fi
exec build/bin/kelvorin "${args[@]}"
