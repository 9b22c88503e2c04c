#!/usr/bin/env bash
# Makes the Debian package from a build tree (CPack) and checks it: the control fields, the
# files and where they go, and, unpacked into a scratch folder, that the Qt Designer plugin
# loads from there with QUiLoader and offers the matrix.
#   check-deb.sh BUILD_DIR      (the build needs VYR_BUILD_QT and CMAKE_INSTALL_PREFIX=/usr)
set -euo pipefail
BUILD=$(cd "$1" && pwd)
OUT=$BUILD/deb
rm -rf "$OUT"
mkdir -p "$OUT"
(cd "$BUILD" && cpack -G DEB -B "$OUT" >"$OUT/cpack.log" 2>&1) || { cat "$OUT/cpack.log"; exit 1; }
DEB=$(find "$OUT" -maxdepth 1 -name 'vyrcomponents_*.deb' | head -1)
[ -n "$DEB" ] || { echo "check-deb: no vyrcomponents_*.deb in $OUT" >&2; exit 1; }
echo "check-deb: $(basename "$DEB")"

fail() { echo "check-deb: $*" >&2; exit 1; }

VERSION=$(sed -n 's/^project(VyrComponents VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
[ "$(dpkg-deb -f "$DEB" Package)" = vyrcomponents ] || fail "Package is not vyrcomponents"
[ "$(dpkg-deb -f "$DEB" Version)" = "$VERSION" ] || fail "Version is not $VERSION"
[ "$(dpkg-deb -f "$DEB" Architecture)" = "$(dpkg --print-architecture)" ] || fail "wrong Architecture"
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
for dep in libqt6widgets6 libqt6gui6 libqt6core6 libpng16-16 libgif7 libc6 libstdc++6; do
    # The name taken literally: the "+" of libstdc++6 is no regex repetition.
    grep -qE "(^|, )${dep//+/\\+}( |,|$)" <<<"$DEPENDS" || fail "Depends lacks $dep: $DEPENDS"
done

ARCH=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
QT_PLUGINS=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo "/usr/lib/$ARCH/qt6/plugins")
CONTENTS=$(dpkg-deb -c "$DEB" | awk '{print $6}')
for path in \
    ./usr/bin/vyrmatrix ./usr/bin/vyrmatrix-qt \
    "./usr/lib/$ARCH/libvyrhost.so.1" \
    "./usr/lib/$ARCH/vyrcomponents/VyrComponents.bpl" \
    "./usr/lib/$ARCH/cmake/VyrComponents/VyrComponentsConfig.cmake" \
    "./usr/lib/$ARCH/cmake/VyrComponents/VyrComponentsConfigVersion.cmake" \
    "./usr/lib/$ARCH/cmake/VyrComponents/VyrComponentsQtTargets.cmake" \
    "./usr/lib/$ARCH/pkgconfig/vyrcomponents-headless.pc" \
    "./usr/lib/$ARCH/pkgconfig/vyrcomponents-qt.pc" \
    ./usr/include/vyr/EditMatrix.h ./usr/include/vyr/qt/QEditMatrix.h \
    ./usr/share/man/man1/vyrmatrix.1.gz; do
    grep -qxF "$path" <<<"$CONTENTS" || fail "the package lacks $path"
done
PLUGIN_DIR=.$QT_PLUGINS/designer
grep -qE "^${PLUGIN_DIR//./\\.}/[^/]+\.so$" <<<"$CONTENTS" || fail "no Designer plugin in $PLUGIN_DIR"
grep -q "^./check\|^./work\|^./tmp" <<<"$CONTENTS" && fail "build-tree paths in the package"

# Unpacked anywhere, the plugin finds the package and the host library next to it.
ROOT=$OUT/root
dpkg-deb -x "$DEB" "$ROOT"
# pkg-config files with the package's own prefix and no compiler flags but the include path.
for pc in "$ROOT/usr/lib/$ARCH/pkgconfig/"vyrcomponents-*.pc; do
    grep -qx "prefix=/usr" "$pc" || fail "$(basename "$pc") does not say prefix=/usr"
    grep -q -- "-std=" "$pc" && fail "$(basename "$pc") sets the C++ standard"
done
QT_QPA_PLATFORM=offscreen "$BUILD/bin/uiloader_probe" "$ROOT$QT_PLUGINS/designer"
"$ROOT/usr/bin/vyrmatrix" --version | grep -qF "$VERSION" || fail "vyrmatrix --version does not show $VERSION"
echo "check-deb: all passed"
