#!/usr/bin/env bash
# Nests the source tree in a parent project (tests/consumer/nested): builds and runs the consumer
# programs with add_subdirectory, and configures the same parent with FetchContent. The parent
# must get nothing but the libraries: no install rules, no CPack, no tests, no settings (the
# parent's CMakeLists.txt checks its settings).
#   tests/consumer/nested.sh SCRATCH_DIR [qt] [compiler launcher]
set -euo pipefail
SRC=$(cd "$(dirname "$0")/../.." && pwd)
SCRATCH=$1
WITH_QT=OFF
[ "${2:-}" = qt ] && WITH_QT=ON
LAUNCHER=${3:-}
rm -rf "$SCRATCH"
mkdir -p "$SCRATCH"

configure() {  # VIA BUILD_DIR
    cmake -S "$SRC/tests/consumer/nested" -B "$2" -G Ninja -DVIA="$1" -DVYR_SOURCE_DIR="$SRC" \
        -DWITH_QT=$WITH_QT ${LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$LAUNCHER} \
        >"$2.configure.log" 2>&1 || { cat "$2.configure.log"; exit 1; }
}
fail() { echo "nested: $*" >&2; exit 1; }

echo "nested: add_subdirectory"
configure add_subdirectory "$SCRATCH/sub"
cmake --build "$SCRATCH/sub" >"$SCRATCH/sub.build.log" 2>&1 || { cat "$SCRATCH/sub.build.log"; exit 1; }
expected=1
[ $WITH_QT = ON ] && expected=2
ctest --test-dir "$SCRATCH/sub" --output-on-failure >"$SCRATCH/sub.ctest.log" 2>&1 \
    || { cat "$SCRATCH/sub.ctest.log"; fail "the consumer programs failed"; }
grep -q "tests passed, 0 tests failed out of $expected\$" "$SCRATCH/sub.ctest.log" \
    || { cat "$SCRATCH/sub.ctest.log"; fail "the parent's ctest holds tests that are not its own"; }
cmake --install "$SCRATCH/sub" --prefix "$SCRATCH/prefix" >"$SCRATCH/sub.install.log" 2>&1
if [ -d "$SCRATCH/prefix" ] && [ -n "$(find "$SCRATCH/prefix" -type f)" ]; then
    find "$SCRATCH/prefix" -type f
    fail "installing the parent installs files of the nested project"
fi
[ ! -e "$SCRATCH/sub/CPackConfig.cmake" ] || fail "the nested project set up CPack in the parent"

echo "nested: FetchContent"
configure FetchContent "$SCRATCH/fetch"
[ ! -e "$SCRATCH/fetch/CPackConfig.cmake" ] || fail "the nested project set up CPack in the parent"
echo "nested: all passed"
