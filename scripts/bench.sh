#!/usr/bin/env bash
# Builds the benchmarks in Release (build tree build-bench), runs them all in one go and prints
# one table of figures and ratios (scripts/bench_table.py). Every figure is the median of
# BENCH_REPETITIONS runs (default 3), CPU time. With Qt 6 configured, also the QPainter peer
# (bench/qt/qt_peer_bench.cpp), and then the live widgets' table (bench/qt/qt_live_bench.cpp:
# N = 1, 16, 64, 256 scrolling widgets beside two plain-Qt peers, on the offscreen platform).
#
#   scripts/bench.sh                 everything
#   scripts/bench.sh --quick         skips the literal renderer at the largest geometry, and
#                                    measures the live widgets in one round instead of five
#   BENCH_LIVE=0 scripts/bench.sh    leaves the live widgets out (they take about four minutes)
#   BENCH_JSON=DIR scripts/bench.sh  keeps the benchmark JSON output in DIR
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
if [ "${1:-}" = "--quick" ]; then quick=1; fi

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVYR_BUILD_BENCH=ON -DVYR_BUILD_TESTS=OFF \
  -DVYR_BUILD_TOOLS=OFF "${launcher[@]}" >/dev/null
benches=(static_frame_bench scroll_bench editing_bench)
# The Qt peer, when the Qt backend is configured (Qt 6 found).
targets=$(ninja -C build-bench -t targets all 2>/dev/null || true)
if grep -q '^qt_peer_bench:' <<< "$targets"; then benches+=(qt_peer_bench); fi
live=()
if [ "${BENCH_LIVE:-1}" != 0 ] && grep -q '^qt_live_bench:' <<< "$targets"; then live=(qt_live_bench); fi
cmake --build build-bench -j "${BENCH_JOBS:-2}" --target "${benches[@]}" "${live[@]}" >/dev/null

out=${BENCH_JSON:-$(mktemp -d)}
mkdir -p "$out"
filter=.
if [ "$quick" = 1 ]; then filter='-geometry:2/literal:1'; fi
for bench in "${benches[@]}"; do
  echo "running $bench ..." >&2
  "build-bench/bin/$bench" --benchmark_format=json --benchmark_out_format=json \
    --benchmark_out="$out/$bench.json" --benchmark_filter="$filter" \
    --benchmark_repetitions="${BENCH_REPETITIONS:-3}" --benchmark_report_aggregates_only=true >/dev/null
done
python3 scripts/bench_table.py "$out"/*.json

if [ ${#live[@]} -gt 0 ]; then
  echo "running qt_live_bench ..." >&2
  rounds=5
  if [ "$quick" = 1 ]; then rounds=1; fi
  echo
  # The offscreen platform warns of every top-level window it cannot size: not ours to fix.
  QT_QPA_PLATFORM=offscreen build-bench/bin/qt_live_bench --rounds "$rounds" \
    2> >(grep -v 'does not support propagateSizeHints' >&2)
fi
