#!/usr/bin/env bash
# Builds the Debian package of the program with CPack: a Release build of the installed
# programs only (no tests) in build-deb/, and the package made of its install rules,
# build-deb/halvex_<version>-1_<architecture>.deb. Install it with
#   sudo apt-get install ./build-deb/halvex_*.deb
# (apt fetches the Qt 6 libraries and the rest it depends on) and remove it with
#   sudo apt-get remove halvex
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/tools/deps.sh"
BUILD="$ROOT/build-deb"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DHALVEX_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target installed-programs
rm -f "$BUILD"/package/halvex_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
mv "$BUILD"/package/halvex_*.deb "$BUILD"/
ls "$BUILD"/halvex_*.deb
