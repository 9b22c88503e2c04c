#!/usr/bin/env bash
# Makes the Debian packages from a build tree (CPack) and checks them: the split (which files go
# to which package), the control fields, stripped binaries with their debug symbols in -dbgsym
# packages, each package's copyright file and Debian changelog, no CPack warning, lintian with no
# error or warning left (overrides ship with their reasons), and, unpacked into a scratch folder,
# that the Qt Designer plugin loads from there with QUiLoader and offers the matrix, and that a
# QML program outside the project imports the QML module Vyr.Components from there.
#   check-deb.sh BUILD_DIR      (the build needs VYR_BUILD_QT and CMAKE_INSTALL_PREFIX=/usr)
set -euo pipefail
BUILD=$(cd "$1" && pwd)
OUT=$BUILD/deb
rm -rf "$OUT"
mkdir -p "$OUT"
(cd "$BUILD" && cpack -G DEB -B "$OUT" >"$OUT/cpack.log" 2>&1) || { cat "$OUT/cpack.log"; exit 1; }

fail() { echo "check-deb: $*" >&2; exit 1; }

# CPack warns of shared objects without a SONAME and of anything else it finds wrong.
if grep -iE "warning|soname" "$OUT/cpack.log"; then fail "CPack warned (above; whole log in $OUT/cpack.log)"; fi

VERSION=$(sed -n 's/^project(VyrComponents VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
DEB_VERSION=$VERSION-1
ARCH=$(dpkg --print-architecture)
MULTIARCH=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
QT_PLUGINS=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo "/usr/lib/$MULTIARCH/qt6/plugins")
PACKAGES=(libvyrhost1 vyrcomponents vyrcomponents-tools vyrcomponents-designer libvyrcomponents-dev)
# The API reference has its package when the build made it (VYR_BUILD_DOCS).
DOCS=no
grep -qx "VYR_BUILD_DOCS:BOOL=ON" "$BUILD/CMakeCache.txt" && DOCS=yes && PACKAGES+=(vyrcomponents-doc)

# The API reference is the same on every architecture.
arch_of() { if [ "$1" = vyrcomponents-doc ]; then echo all; else echo "$ARCH"; fi; }
deb_of() { echo "$OUT/${1}_${DEB_VERSION}_$(arch_of "$1").deb"; }
for package in "${PACKAGES[@]}"; do
    DEB=$(deb_of "$package")
    [ -f "$DEB" ] || fail "no $(basename "$DEB") in $OUT: $(cd "$OUT" && ls -- *.deb *.ddeb 2>/dev/null | tr '\n' ' ')"
    [ "$(dpkg-deb -f "$DEB" Package)" = "$package" ] || fail "$DEB: Package is not $package"
    [ "$(dpkg-deb -f "$DEB" Version)" = "$DEB_VERSION" ] || fail "$package: Version is not $DEB_VERSION"
    [ "$(dpkg-deb -f "$DEB" Architecture)" = "$(arch_of "$package")" ] || fail "$package: wrong Architecture"
    CONTENTS=$(dpkg-deb -c "$DEB" | awk '{print $6}')
    for doc in copyright changelog.Debian.gz; do
        grep -qxF "./usr/share/doc/$package/$doc" <<<"$CONTENTS" || fail "$package lacks /usr/share/doc/$package/$doc"
    done
    grep -q "^./check\|^./work\|^./tmp" <<<"$CONTENTS" && fail "$package: build-tree paths in the package"
done
echo "check-deb: $(cd "$OUT" && ls -- *.deb *.ddeb | tr '\n' ' ')"

# Depends: by dpkg-shlibdeps from what the binaries link, and the exact version between siblings.
depends_on() {  # PACKAGE DEPENDENCY...
    local package=$1 depends
    shift
    depends=$(dpkg-deb -f "$(deb_of "$package")" Depends)
    for dep in "$@"; do
        # The name taken literally: the "+" of libstdc++6 is no regex repetition.
        grep -qE "(^|, )${dep//+/\\+}( |,|$)" <<<"$depends" || fail "$package: Depends lacks $dep: $depends"
    done
}
depends_on libvyrhost1 libc6 libstdc++6
depends_on vyrcomponents libvyrhost1 libc6 libstdc++6
depends_on vyrcomponents-tools vyrcomponents libvyrhost1 libqt6widgets6 libqt6gui6 libqt6core6 libpng16-16 libgif7 \
    libc6 libstdc++6
depends_on vyrcomponents-designer vyrcomponents libvyrhost1 libqt6widgets6 libqt6designer6 libc6 libstdc++6
depends_on libvyrcomponents-dev libvyrhost1 libfreetype-dev zlib1g-dev
grep -qF "libvyrhost1 (= $DEB_VERSION)" <<<"$(dpkg-deb -f "$(deb_of vyrcomponents-tools)" Depends)" ||
    fail "vyrcomponents-tools does not depend on libvyrhost1 of exactly its version"

# Where each file goes.
has() {  # PACKAGE PATH...
    local package=$1 contents
    shift
    contents=$(dpkg-deb -c "$(deb_of "$package")" | awk '{print $6}')
    for path in "$@"; do
        grep -qxF "$path" <<<"$contents" || fail "$package lacks $path"
    done
}
has libvyrhost1 "./usr/lib/$MULTIARCH/libvyrhost.so.1" "./usr/lib/$MULTIARCH/libvyrhost.so.$VERSION"
if [ "$DOCS" = yes ]; then
    has vyrcomponents-doc ./usr/share/qt6/doc/vyrcomponents.qch ./usr/share/doc/VyrComponents/html/index.html
fi
has vyrcomponents "./usr/lib/$MULTIARCH/vyrcomponents/VyrComponents.bpl" \
    "./usr/lib/$MULTIARCH/vyrcomponents/VyrComponents.DAN"
has vyrcomponents-tools ./usr/bin/vyrmatrix ./usr/bin/vyrmatrix-qt ./usr/share/man/man1/vyrmatrix.1.gz \
    ./usr/share/man/man1/vyrmatrix-qt.1.gz
has libvyrcomponents-dev "./usr/lib/$MULTIARCH/libvyrhost.so" \
    "./usr/lib/$MULTIARCH/cmake/VyrComponents/VyrComponentsConfig.cmake" \
    "./usr/lib/$MULTIARCH/cmake/VyrComponents/VyrComponentsConfigVersion.cmake" \
    "./usr/lib/$MULTIARCH/cmake/VyrComponents/VyrComponentsQtTargets.cmake" \
    "./usr/lib/$MULTIARCH/pkgconfig/vyrcomponents-headless.pc" \
    "./usr/lib/$MULTIARCH/pkgconfig/vyrcomponents-qt.pc" \
    "./usr/lib/$MULTIARCH/pkgconfig/vyrcomponents-fonts.pc" "./usr/lib/$MULTIARCH/libvyr_fonts.a" \
    ./usr/include/vyr/EditMatrix.h ./usr/include/vyr/qt/QEditMatrix.h ./usr/include/vyr/fonts/Fonts.h
PLUGIN_DIR=.$QT_PLUGINS/designer
DESIGNER_CONTENTS=$(dpkg-deb -c "$(deb_of vyrcomponents-designer)" | awk '{print $6}')
grep -qE "^${PLUGIN_DIR//./\\.}/[^/]+\.so$" <<<"$DESIGNER_CONTENTS" || fail "no Designer plugin in $PLUGIN_DIR"

# Unpacked anywhere, the plugin finds the package and the host library next to it.
ROOT=$OUT/root
for package in libvyrhost1 vyrcomponents vyrcomponents-tools vyrcomponents-designer; do
    dpkg-deb -x "$(deb_of "$package")" "$ROOT"
done
dpkg-deb -x "$(deb_of libvyrcomponents-dev)" "$ROOT"
# pkg-config files with the package's own prefix and no compiler flags but the include path.
for pc in "$ROOT/usr/lib/$MULTIARCH/pkgconfig/"vyrcomponents-*.pc; do
    grep -qx "prefix=/usr" "$pc" || fail "$(basename "$pc") does not say prefix=/usr"
    grep -q -- "-std=" "$pc" && fail "$(basename "$pc") sets the C++ standard"
done
QT_QPA_PLATFORM=offscreen "$BUILD/bin/uiloader_probe" "$ROOT$QT_PLUGINS/designer"
"$ROOT/usr/bin/vyrmatrix" --version | grep -qF "$VERSION" || fail "vyrmatrix --version does not show $VERSION"

# The QML module (with VYR_BUILD_QUICK): in the component package with its type description,
# depending on the QML module it imports, and usable from the unpacked package alone.
QT_QML=$(qtpaths6 --query QT_INSTALL_QML 2>/dev/null || echo "/usr/lib/$MULTIARCH/qt6/qml")
RUNTIME_CONTENTS=$(dpkg-deb -c "$(deb_of vyrcomponents)")
if grep -q "Vyr/Components/qmldir$" <<<"$RUNTIME_CONTENTS"; then
    has vyrcomponents ".$QT_QML/Vyr/Components/qmldir" ".$QT_QML/Vyr/Components/vyr_quick.qmltypes" \
        ".$QT_QML/Vyr/Components/libvyrquickplugin.so"
    depends_on vyrcomponents qml6-module-qtquick libqt6quick6 libqt6qml6
    QT_BINS=$(qtpaths6 --query QT_INSTALL_BINS 2>/dev/null || echo /usr/lib/qt6/bin)
    QT_QPA_PLATFORM=offscreen QML_IMPORT_PATH="" "$QT_BINS/qmltestrunner" -import "$ROOT$QT_QML" \
        -input "$(dirname "$0")/../tests/deb/tst_module.qml" >"$OUT/qml.log" 2>&1 ||
        { cat "$OUT/qml.log"; fail "the QML program does not run against the unpacked QML module"; }
fi

# Every ELF file is stripped, and its debug symbols are in the -dbgsym package by its build id.
DEBUG_FILES=$(for ddeb in "$OUT"/*-dbgsym_*.ddeb; do dpkg-deb -c "$ddeb"; done | awk '{print $6}')
while IFS= read -r elf; do
    info=$(file -b "$elf")
    grep -q "not stripped" <<<"$info" && fail "${elf#"$ROOT"} is not stripped"
    id=$(sed -n 's/.*BuildID\[sha1\]=\([0-9a-f]*\).*/\1/p' <<<"$info")
    [ -n "$id" ] || fail "${elf#"$ROOT"} has no build id"
    grep -qxF "./usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" <<<"$DEBUG_FILES" ||
        fail "no debug symbols for ${elf#"$ROOT"} (build id $id) in a -dbgsym package"
done < <(find "$ROOT" -type f -exec sh -c 'file -b "$1" | grep -q "^ELF"' _ {} \; -print)

# lintian: no error and no warning (what is overridden ships with its reason).
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --allow-root --tag-display-limit 0 "$OUT"/*.deb ||
        fail "lintian found errors or warnings (above)"
else
    fail "lintian is not installed (scripts/setup.sh installs it)"
fi
echo "check-deb: all passed"
