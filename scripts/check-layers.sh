#!/usr/bin/env bash
# Fails, naming file and line, when a source file includes a header of a folder that its
# layer may not use. The build enforces the layers between libraries (cmake/Layers.cmake);
# this check says so in words, and also keeps the order inside the domain layer.
#
#   bash scripts/check-layers.sh [SOURCE_ROOT]
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"

# What each folder may include besides itself, lowest layer first.
declare -A uses
uses[common]=""
uses[sim]=""
uses[platform]="common sim"
uses[parfiles]="${uses[platform]} platform"
uses[controller]="${uses[platform]} platform"
uses[domain]="${uses[parfiles]} parfiles controller"
uses[zaxis]="${uses[domain]} domain"
uses[positions]="${uses[domain]} domain"
uses[joystick]="${uses[zaxis]} zaxis positions"
uses[interp]="${uses[zaxis]} zaxis positions"
uses[server]="${uses[joystick]} joystick interp"
uses[panels]="${uses[server]} server"
uses[core]="${uses[panels]} panels"
uses[platform/qt]="common sim platform platform/sdl"
uses[platform/sdl]="common sim platform platform/qt"
uses[server/qt]="${uses[server]} server platform/qt platform/sdl"
uses[ui]="${uses[core]} core platform/qt platform/sdl"
uses[app]="${uses[ui]} ui server/qt"
uses[tools]="common server/qt"

status=0
cd "$root"
for folder in "${!uses[@]}"; do
  for file in "$folder"/*.h "$folder"/*.cpp; do
    [[ -e "$file" ]] || continue
    while IFS=: read -r line header; do
      target="$(dirname "$header")"
      [[ "$target" == "." || "$target" == "$folder" ]] && continue
      if [[ " ${uses[$folder]} " != *" $target "* ]]; then
        echo "$file:$line includes $header: $folder may use only: ${uses[$folder]:-nothing}"
        status=1
      fi
    done < <(grep -nE '^#include "' "$file" | sed -E 's/^([0-9]+):#include "([^"]+)".*/\1:\2/')
  done
done
# A folder with sources that no layer names would build into nothing, or into anything.
while read -r dir; do
  dir="${dir#./}"
  [[ -n "${uses[$dir]+named}" ]] && continue
  echo "$dir/ holds sources but belongs to no layer (name it in this script and cmake/Layers.cmake)"
  status=1
done < <(find . -path ./build -prune -o -path './build-*' -prune -o -path ./tests -prune \
           -o -path ./bench -prune -o -path ./fuzz -prune -o -path ./tango -prune \
           -o -path ./.git -prune -o -name '*.cpp' -printf '%h\n' -o -name '*.h' -printf '%h\n' | sort -u)
[[ $status == 0 ]] && echo "layers: every include points down"
exit $status
