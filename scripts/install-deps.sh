#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and with "fuzz", "package"
# or "format" also those of scripts/fuzz.sh, scripts/package.sh or scripts/check-format.sh. Idempotent and quick
# when everything is present: it only calls apt-get for what is missing, so any user
# can run it (and scripts/run.sh) once the packages are there.
#
#   bash scripts/install-deps.sh [fuzz] [package] [format]
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev
  qt6-qpa-plugins fonts-dejavu-core  # the window on a display, and its fonts (DejaVu Sans Mono in the text boxes)
  libsdl2-dev
  libgtest-dev libgmock-dev
  python3
  libtango-dev python3-tango  # the TANGO device server (tango/) and its tests
)
for extra in "$@"; do
  case "$extra" in
    fuzz) packages+=(clang libclang-rt-14-dev) ;;  # the fuzz targets
    package) packages+=(dpkg-dev file) ;;  # the package: dependencies of the programs
    format) packages+=(clang-format) ;;  # scripts/check-format.sh
    *) echo "install-deps: unknown group '$extra' (fuzz, package, format)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
