#!/usr/bin/env bash
# Builds the Debian package kelvorin_<version>_<arch>.deb in the repository's folder from
# the build in build/ (only the programs are built for it, not the tests).
# --check then checks it: contents and metadata, a start from the unpacked tree
# (tests/PackageTest.sh) and lintian, which is installed when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
[ "${1:-}" = --check ] && check=1
bash scripts/install-deps.sh package
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake build >/dev/null  # takes up install rules added since the folder was configured
programs=(kelvorin kelvorin-cmd kelvorin-sim)
grep -qx 'KELVORIN_TANGO:BOOL=ON' build/CMakeCache.txt && programs+=(kelvorin-tango)
cmake --build build --target "${programs[@]}" kelvorin_package_files
rm -rf build/package kelvorin_*.deb
(cd build && cpack -G DEB >/dev/null)
cp build/package/kelvorin_*.deb .
deb=$(ls kelvorin_*.deb)
echo "package: $deb"
[ $check -eq 1 ] || exit 0

dpkg-deb -c "$deb" | awk '{print $6}' > build/package/contents
for f in ./usr/share/kelvorin/settings/ST_CONFIG.TXT ./usr/share/kelvorin/settings/DEMO.PRG \
    ./usr/share/kelvorin/settings/ST_COMMANDS.TXT ./usr/share/applications/kelvorin.desktop \
    ./usr/share/icons/hicolor/scalable/apps/kelvorin.svg \
    ./usr/lib/python3/dist-packages/kelvorin.py ./usr/lib/udev/rules.d/60-kelvorin-usb-serial.rules \
    ./usr/lib/systemd/user/kelvorin.service ./usr/share/doc/kelvorin/copyright; do
  grep -qx "$f" build/package/contents || { echo "package: $f is missing" >&2; exit 1; }
done
for p in "${programs[@]}"; do  # each program with its manual page
  for f in "./usr/bin/$p" "./usr/share/man/man1/$p.1.gz"; do
    grep -qx "$f" build/package/contents || { echo "package: $f is missing" >&2; exit 1; }
  done
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6serialport6 libqt6widgets6 libqt6network6 libsdl2 qt6-qpa-plugins; do
  [[ "$depends" == *"$lib"* ]] || { echo "package: Depends lacks $lib: $depends" >&2; exit 1; }
done
bash tests/PackageTest.sh "$deb"
if ! command -v lintian >/dev/null; then
  [ "$(id -u)" -eq 0 ] || { echo "package: lintian is missing; run as root to install it" >&2; exit 1; }
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends lintian >/dev/null
fi
lintian --fail-on error "$deb"
echo "package: checked"
