#!/usr/bin/env bash
# A picture of the demo application vyrmatrix-qt on a real X server, for docs/vyrmatrix-qt.png.
# Starts its own Xvfb on the first free display from :98 on and stops it at the end.
# Usage: demo-screenshot.sh [BUILD_DIR] [OUTPUT]   (defaults: build, docs/vyrmatrix-qt.png)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/vyrmatrix-qt.png}
app="$build/bin/vyrmatrix-qt"
[ -x "$app" ] || { echo "demo-screenshot: $app not built (ninja -C $build vyrmatrix-qt)" >&2; exit 1; }

display=98
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
  [ "$display" -lt 200 ] || { echo "demo-screenshot: no free X display" >&2; exit 1; }
done
Xvfb ":$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "demo-screenshot: Xvfb :$display did not start" >&2; exit 1; }
  sleep 0.05
done

# The application grabs its own window once the marquee has run for a while (so colours and
# shapes from the control codes are in view).
unset QT_QPA_PLATFORM
DISPLAY=":$display" "$app" --settle "${SETTLE_MS:-2600}" --screenshot "$out"
echo "demo-screenshot: $out"
