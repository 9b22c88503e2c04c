#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, when any is missing. Safe to run again.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libgif-dev
  tmux
  clang libclang-rt-14-dev clang-format clang-tidy
  # The Qt backend, the Designer plugin and their tests (offscreen platform, Xvfb screenshots).
  qt6-base-dev qt6-tools-dev libqt6opengl6-dev designer-qt6 qt6-tools-dev-tools libgl-dev
  xvfb xauth
  # The screen reader test: a private D-Bus session bus, the AT-SPI bus and pyatspi (tests/atspi).
  dbus at-spi2-core python3-pyatspi
  # The Qt Quick backend, the QML module Vyr.Components and its Qt Quick tests (qmllint).
  qt6-declarative-dev qt6-declarative-dev-tools qml6-module-qtquick qml6-module-qttest
  qml6-module-qtquick-window qml6-module-qtqml-workerscript libqt6quicktest6
  # scripts/screenshot.sh: a picture of a real window under Xvfb.
  imagemagick
  # scripts/designer-screenshot.sh waits for Designer's window with xwininfo.
  x11-utils
  # The man page (help2man) and the Debian package (CPack: dpkg-shlibdeps, file).
  help2man dpkg-dev file
  # Debian's own package checks, run on the .deb files (scripts/check-deb.sh).
  lintian
  # Bitmap fonts: FreeType reads BDF and PCF, zlib unpacks .gz fonts; the tests import
  # Debian's 5x7 fonts.
  libfreetype-dev zlib1g-dev xfonts-base
  # The API reference: Doxygen, and qhelpgenerator for its Qt help file.
  doxygen qt6-documentation-tools
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
