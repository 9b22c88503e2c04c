#!/usr/bin/env bash
# A picture of Qt Designer's widget box with the plugin's group "Vyr-Components", for
# docs/designer-widget-box.png. Designer (designer-qt6) runs on its own Xvfb with the build
# tree's plugin folder only and a fresh settings folder (the standard groups collapsed, so the
# Vyr group is in view), editing a form that holds a scrolling matrix and a charset.
# Usage: designer-screenshot.sh [BUILD_DIR] [OUTPUT]   (defaults: build, docs/designer-widget-box.png)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
out=${2:-docs/designer-widget-box.png}
plugins="$build/plugins/designer"
[ -f "$plugins/libvyrdesigner.so" ] || { echo "designer-screenshot: $plugins/libvyrdesigner.so not built (ninja -C $build vyrdesigner)" >&2; exit 1; }
designer=$(command -v designer-qt6 || true)
[ -n "$designer" ] || designer=/usr/lib/qt6/bin/designer
[ -x "$designer" ] || { echo "designer-screenshot: Qt Designer not found (designer-qt6)" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
designer_pid=""
cleanup() {
    [ -n "$designer_pid" ] && kill "$designer_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A free display number from :97 up.
display=97
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xwininfo -display ":$display" -root >/dev/null 2>&1 && break; sleep 0.1; done
xwininfo -display ":$display" -root >/dev/null 2>&1 || { cat "$work/xvfb.log" >&2; exit 1; }

mkdir -p "$work/config/QtProject"
cat >"$work/config/QtProject/Designer.conf" <<'INI'
[General]
UI\mode=2
[WidgetBox]
Closed%20categories=Layouts, Spacers, Buttons, Item Views (Model-Based), Item Widgets (Item-Based), Containers, Input Widgets, Display Widgets
INI
cat >"$work/form.ui" <<'UI'
<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form</class>
 <widget class="QWidget" name="Form">
  <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>120</height></rect></property>
  <property name="windowTitle"><string>Vyr form</string></property>
  <widget class="vyr::QCharSet" name="glyphs">
   <property name="geometry"><rect><x>10</x><y>10</y><width>32</width><height>32</height></rect></property>
  </widget>
  <widget class="vyr::QEditMatrix" name="matrix">
   <property name="geometry"><rect><x>10</x><y>60</y><width>181</width><height>22</height></rect></property>
   <property name="scroll"><bool>true</bool></property>
   <property name="charset"><string>glyphs</string></property>
   <property name="text"><string>Vyr Components in Qt Designer   </string></property>
  </widget>
 </widget>
 <customwidgets>
  <customwidget><class>vyr::QCharSet</class><extends>QWidget</extends><header>vyr/qt/QCharSet.h</header></customwidget>
  <customwidget><class>vyr::QEditMatrix</class><extends>QWidget</extends><header>vyr/qt/QEditMatrix.h</header></customwidget>
 </customwidgets>
</ui>
UI

env -u QT_QPA_PLATFORM DISPLAY=":$display" XDG_CONFIG_HOME="$work/config" QT_PLUGIN_PATH="$build/plugins" \
    "$designer" "$work/form.ui" >"$work/designer.log" 2>&1 &
designer_pid=$!
# Designer's main window is up once the X tree holds a window titled "Qt Designer"; then give
# it a moment to lay out its docks and paint.
up=""
for _ in $(seq 150); do
    kill -0 "$designer_pid" 2>/dev/null || { cat "$work/designer.log" >&2; echo "designer-screenshot: Designer exited" >&2; exit 1; }
    if xwininfo -display ":$display" -root -tree 2>/dev/null | grep -q '"Qt Designer'; then up=1; break; fi
    sleep 0.2
done
[ -n "$up" ] || { cat "$work/designer.log" >&2; echo "designer-screenshot: no Designer window" >&2; exit 1; }
sleep 3
import -display ":$display" -window root "$work/full.png"
# The widget box is the left dock of the docked main window; the crop keeps it (down to the Vyr
# group's entries) and the form beside it. VYR_SCREENSHOT_CROP=full keeps the whole screen.
crop=${VYR_SCREENSHOT_CROP:-400x250+0+58}
if [ "$crop" != full ]; then
    convert "$work/full.png" -crop "$crop" +repage "$out"
else
    cp "$work/full.png" "$out"
fi
grep -i "vyrdesigner" "$work/designer.log" >&2 || true
echo "designer-screenshot: $out"
