#!/usr/bin/env bash
# The whole test suite: install what is missing, then
#   1. the normal build with the API reference and every test (the consumer tests install it and
#      build against it), then the Debian packages made from it, checked (lintian too) and
#      unpacked,
#   2. every test again under AddressSanitizer + UndefinedBehaviorSanitizer (each test program
#      whole, as one CTest test: see vyr_gtest_tests in cmake/VyrHelpers.cmake),
#   3. the thread tests (host and Qt backend) under ThreadSanitizer,
#   4. the fuzz targets (form reader, whole control, font readers) for a bounded time each.
# Any failure or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
export GTEST_COLOR=no
# No display here: every Qt test (widgets, Designer, Qt Quick) runs on the offscreen platform.
export QT_QPA_PLATFORM=offscreen

# Each stage says when it starts (seconds into the run), so a slow stage shows in the log.
step() { echo; echo "=== $*"; echo "    (${SECONDS} s into the run)"; }

step "format check"
scripts/format.sh --check

step "build (RelWithDebInfo)"
# Prefix /usr: the Debian layout (multiarch LIBDIR) for the package made from this build.
# The API reference too (VYR_BUILD_DOCS): any Doxygen warning fails the build.
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYR_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr -DVYR_BUILD_DOCS=ON
step "tests"
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 600
step "Debian packages (CPack): the split, control fields, contents, debug symbols, lintian, the Designer plugin loaded from the unpacked packages"
scripts/check-deb.sh build

step "build (AddressSanitizer + UndefinedBehaviorSanitizer)"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVYR_SANITIZE=address,undefined -DVYR_BUILD_BENCH=OFF -DVYR_WERROR=ON
step "tests under ASan + UBSan"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 900

step "build (ThreadSanitizer)"
scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYR_SANITIZE=thread -DVYR_BUILD_BENCH=OFF -DVYR_WERROR=ON -DVYR_BUILD_TOOLS=OFF -DVYR_BUILD_PACKAGE=OFF -- test_threads test_qt_threads
step "thread tests under TSan"
# Both step modes; test_qt_threads holds the Qt Widgets and the Qt Quick marquee tests.
build-tsan/bin/test_threads --gtest_brief=1
# Debian's Qt is not instrumented: its own memory traffic is left out (each line has its reason).
QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="$TSAN_OPTIONS:suppressions=$PWD/tests/qt/threads/qt.tsan-suppressions" \
  build-tsan/bin/test_qt_threads --gtest_brief=1

step "fuzzing the form reader, the whole control and the font readers"
scripts/fuzz.sh

step "all test stages passed"
