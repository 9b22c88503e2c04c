#!/usr/bin/env bash
# A picture of the Qt demo window on a real X server (Xvfb), for docs/qt-window.png.
# Usage: screenshot.sh [BUILD_DIR] [OUTPUT]   (defaults: build, docs/qt-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/qt-window.png}
demo="$build/bin/qt_window_demo"
[ -x "$demo" ] || { echo "screenshot: $demo not built (ninja -C $build qt_window_demo)" >&2; exit 1; }
unset QT_QPA_PLATFORM
# The window appears top left on a small screen without a window manager; the picture is the
# root window cropped to the window's size, taken while the marquee runs.
xvfb-run -a -s "-screen 0 640x360x24" bash -c "
  '$demo' --seconds 6 &
  sleep 3
  import -window root -crop 436x166+0+0 +repage '$out'
  wait
"
echo "screenshot: $out"
