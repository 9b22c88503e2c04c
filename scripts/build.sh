#!/usr/bin/env bash
# Configures and builds one build tree. Usage: build.sh DIR [CMAKE OPTIONS...] [-- TARGETS...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
opts=(); targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
  opts+=("$1"); shift
done
cmake -S . -B "$dir" -G Ninja "${opts[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" ${targets:+--target "${targets[@]}"}
