#!/usr/bin/env bash
# Builds what the Debian packages ship and nothing else (no tests, benchmarks or fuzz targets),
# with the Debian layout (prefix /usr), and makes the .deb files with CPack.
#   package.sh [BUILD_DIR]    (default build-package; the .deb files land in BUILD_DIR/deb)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
bash scripts/setup.sh
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DVYR_BUILD_TESTS=OFF -DVYR_BUILD_BENCH=OFF -DVYR_BUILD_FUZZ=OFF \
    -DVYR_BUILD_TOOLS=ON -DVYR_BUILD_QT=ON -DVYR_BUILD_PACKAGE=ON -DVYR_BUILD_DOCS=ON "${launcher[@]}"
cmake --build "$build"
rm -rf "$build/deb"
(cd "$build" && cpack -G DEB -B "$PWD/deb")
ls -1 "$build"/deb/*.deb
