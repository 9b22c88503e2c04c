#!/usr/bin/env bash
# Builds the API reference (HTML and the Qt help file vyrcomponents.qch) from the public headers
# into OUT/docs/api/apidocs (OUT: default build-apidocs). Fails on any Doxygen warning.
#   scripts/apidocs.sh [OUT]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${1:-$ROOT/build-apidocs}
cmake -S "$ROOT" -B "$OUT" -G Ninja -DVYR_BUILD_TESTS=OFF -DVYR_BUILD_BENCH=OFF -DVYR_BUILD_TOOLS=OFF \
  -DVYR_BUILD_DOCS=ON >/dev/null
cmake --build "$OUT" --target vyr_apidocs
echo "apidocs: $OUT/docs/api/apidocs/html/index.html and $OUT/docs/api/apidocs/vyrcomponents.qch"
