#!/usr/bin/env bash
# The main job: install what is missing, build, and show the LED marquee in the terminal.
# Without a terminal (CI, scripts) the marquee ends by itself after a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- vyrmatrix
if build/bin/vyrmatrix scroll --help >/dev/null 2>&1; then
  exec build/bin/vyrmatrix scroll "$@"
else
  exec build/bin/vyrmatrix render --set "Text=Vyr LED matrix" --set TotalVisible=14 --print
fi
