#!/usr/bin/env bash
# With every package present, scripts/install-deps.sh succeeds without apt-get (so a
# user who is not root can run it); a package that is missing is asked for by name.
set -u
script="$1/scripts/install-deps.sh"
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
printf '#!/bin/sh\necho "apt-get $*" >> "%s/calls"\nexit 1\n' "$fake" > "$fake/apt-get"
chmod +x "$fake/apt-get"

PATH="$fake:$PATH" bash "$script" || { echo "FAIL: exit $? with every package present"; exit 1; }
[ ! -e "$fake/calls" ] || { echo "FAIL: apt-get ran: $(cat "$fake/calls")"; exit 1; }

# A dpkg-query that knows nothing of one package: the script names it.
printf '#!/bin/sh\nfor a; do last=$a; done\n[ "$last" = qt6-serialport-dev ] && exit 1\nexec /usr/bin/dpkg-query "$@"\n' > "$fake/dpkg-query"
chmod +x "$fake/dpkg-query"
out=$(PATH="$fake:$PATH" bash "$script" 2>&1)
case "$(id -u):$out" in
  0:*"installing qt6-serialport-dev"*) ;;
  [1-9]*:*"missing packages (qt6-serialport-dev)"*) ;;
  *) echo "FAIL: missing package not named: $out"; exit 1 ;;
esac
# The fuzz toolchain is asked for only by the fuzz build: without clang the build still goes.
printf '#!/bin/sh\nfor a; do last=$a; done\n[ "$last" = clang ] && exit 1\nexec /usr/bin/dpkg-query "$@"\n' > "$fake/dpkg-query"
PATH="$fake:$PATH" bash "$script" || { echo "FAIL: the build asked for clang"; exit 1; }
out=$(PATH="$fake:$PATH" bash "$script" fuzz 2>&1)
case "$out" in
  *"clang"*) ;;
  *) echo "FAIL: the fuzz build did not ask for clang: $out"; exit 1 ;;
esac
echo "ok"
