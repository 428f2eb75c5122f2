#!/usr/bin/env bash
# The package unpacked into a temporary root starts for a user who never ran it: its
# first start fills the user's settings folder, it answers through kelvorin-cmd, a
# second start keeps a setting the user edited, and the Python module imports.
set -euo pipefail
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
mkdir -p "$work/config" "$work/home" && mkdir -m 700 "$work/run"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
unset KELVORIN_SOCKET DISPLAY WAYLAND_DISPLAY
bin="$work/root/usr/bin"
settings="$XDG_CONFIG_HOME/kelvorin"
fail() { echo "FAIL: $*" >&2; exit 1; }

# One start of a hidden kelvorin: the command line's answer, then Unload ends it.
ask() {
  "$bin/kelvorin-cmd" "$1" Unload | head -n 1
  for _ in $(seq 100); do [ -e "$XDG_RUNTIME_DIR/kelvorin.sock" ] || return 0; sleep 0.1; done
  fail "kelvorin did not end"
}

answer=$(ask "Ver;Z Rel 5;Z Wait;Z ?")
[ "$answer" = "1.0 ; OK  ; OK  ; 5.00 ; " ] || fail "first answer: $answer"
for f in "$work"/root/usr/share/kelvorin/settings/*; do
  cmp -s "$f" "$settings/$(basename "$f")" || fail "$(basename "$f") not placed in $settings"
done

printf '"MARK",10, a setting of this user\r\n' >> "$settings/ST_SYMCONST.TXT"
cp "$settings/ST_SYMCONST.TXT" "$work/edited"
answer=$(ask "Z MARK;Z Wait;Z ?")
[ "$answer" = "OK  ; OK  ; 10.00 ; " ] || fail "second answer: $answer"
cmp -s "$work/edited" "$settings/ST_SYMCONST.TXT" || fail "the edited ST_SYMCONST.TXT was replaced"

PYTHONPATH="$work/root/usr/lib/python3/dist-packages" python3 -c "import kelvorin" ||
  fail "import kelvorin"
echo "ok"
