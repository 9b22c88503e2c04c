#!/usr/bin/env bash
# Installs a build tree into a scratch prefix, then builds and runs, against that prefix only,
# the consumer programs of tests/consumer and the examples of examples/; the headless program is
# compiled once more with pkg-config alone, and so is the Qt edit field.
#   tests/consumer/run.sh BUILD_DIR SCRATCH_DIR [qt]
set -euo pipefail
SRC=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
SCRATCH=$2
WITH_QT=${3:-}
rm -rf "$SCRATCH"
mkdir -p "$SCRATCH"
PREFIX=$SCRATCH/prefix
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
# Hooks that only the tests use stay out of the installed headers.
if grep -rl "AccessibilityTap" "$PREFIX/include"; then
    echo "consumer: a test hook in the installed headers" >&2
    exit 1
fi

# Nothing of the source or build tree may be needed from here on.
build_project() {  # NAME SOURCE_DIR
    echo "consumer: building $1"
    cmake -S "$2" -B "$SCRATCH/$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$PREFIX" \
        -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$SCRATCH/$1.configure.log" \
        || { cat "$SCRATCH/$1.configure.log"; exit 1; }
    cmake --build "$SCRATCH/$1" >"$SCRATCH/$1.build.log" || { cat "$SCRATCH/$1.build.log"; exit 1; }
}

export LD_LIBRARY_PATH=$PREFIX/lib:$(find "$PREFIX" -name 'libvyrhost.so*' -printf '%h\n' | head -1)

build_project headless "$SRC/tests/consumer/headless"
"$SCRATCH/headless/consumer_headless"

build_project static-png "$SRC/examples/static-png"
"$SCRATCH/static-png/static-png" "$SCRATCH/hello.png"
test -s "$SCRATCH/hello.png"

echo "consumer: building with pkg-config alone"
PC_DIR=$(dirname "$(find "$PREFIX" -name vyrcomponents-headless.pc | head -1)")
export PKG_CONFIG_PATH=$PC_DIR
# shellcheck disable=SC2046
g++ -std=c++20 -o "$SCRATCH/consumer_headless_pc" "$SRC/tests/consumer/headless/main.cpp" \
    $(pkg-config --cflags --libs vyrcomponents-fonts vyrcomponents-headless) -lpthread
"$SCRATCH/consumer_headless_pc"

if [ "$WITH_QT" = qt ]; then
    export QT_QPA_PLATFORM=offscreen
    build_project qt "$SRC/tests/consumer/qt"
    "$SCRATCH/qt/consumer_qt"
    for example in edit-field marquee-ui; do
        build_project "$example" "$SRC/examples/$example"
        "$SCRATCH/$example/$example" --check
    done
    echo "consumer: building the edit field with pkg-config alone"
    # shellcheck disable=SC2046
    g++ -std=c++20 -o "$SCRATCH/edit_field_pc" "$SRC/examples/edit-field/main.cpp" \
        $(pkg-config --cflags --libs vyrcomponents-qt) -lpthread
    "$SCRATCH/edit_field_pc" --check
fi
# The QML module, when the build has it: the departure board finds it on the import path under
# the prefix.
QMLDIR=$(find "$PREFIX" -path '*/Vyr/Components/qmldir' | head -1)
if [ -n "$QMLDIR" ]; then
    export QT_QPA_PLATFORM=offscreen
    export QML_IMPORT_PATH
    QML_IMPORT_PATH=$(dirname "$(dirname "$(dirname "$QMLDIR")")")
    build_project departure-board "$SRC/examples/departure-board"
    "$SCRATCH/departure-board/departure-board" --check
fi
echo "consumer: all passed"
