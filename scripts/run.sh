#!/usr/bin/env bash
# The main job: install what is missing, build, and show the LED marquee in the terminal.
# Without a terminal (CI, scripts) the marquee ends by itself after a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- vyrmatrix
exec build/bin/vyrmatrix scroll "$@"
