#!/usr/bin/python3
"""Reads the LED displays of a real window over AT-SPI, as a screen reader (Orca) does.

Starts its own X server (Xvfb), a private D-Bus session bus and the accessibility bus, runs the
window program (atspi_window.cpp) on Qt's xcb platform with accessibility on, and checks with
pyatspi:
  - the edited display: named "LED display" (not its group box's title "Sign"), described,
    an editable text with the EditableText interface;
  - typing "VYR" through the AT-SPI registry's keyboard (XTest): one text-changed:insert event of
    length 1 per character at the cursor, caret moves, no delete of the whole text;
  - editing through the EditableText interface changes the display's text;
  - the marquee: named by its buddy label, read-only, its text without control codes;
  - no Qt accessibility warning on the program's standard error.
Prints the tree once, as a reader sees it. Every wait has a timeout. Exit status 0 pass, 1 fail,
77 skip (what it needs is missing).

usage: atspi_test.py WINDOW_PROGRAM
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
TIMEOUT = 20  # seconds for each wait


def skip(reason):
    print(f"atspi_test: SKIPPED: {reason}")
    sys.exit(SKIP)


try:
    import gi

    gi.require_version("Atspi", "2.0")
    from gi.repository import GLib
except (ImportError, ValueError) as error:
    skip(f"python3-gi with the Atspi typelib is missing ({error}); apt-get install python3-pyatspi")

LAUNCHER = next((p for p in ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")
                 if os.path.exists(p)), None)
for tool, package in (("Xvfb", "xvfb"), ("dbus-daemon", "dbus")):
    if shutil.which(tool) is None:
        skip(f"{tool} is missing (Debian package {package})")
if LAUNCHER is None:
    skip("at-spi-bus-launcher is missing (Debian package at-spi2-core)")

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def wait_for(predicate, what, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    raise TimeoutError(f"timed out waiting for {what}")


def start_xvfb(work):
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                             "-auth", os.path.join(work, "xauth")], pass_fds=(write_fd,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        number = pipe.readline().strip()
    if not number:
        raise RuntimeError("Xvfb did not start")
    return xvfb, ":" + number


def start_session_bus():
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True, start_new_session=True)
    address = bus.stdout.readline().strip()
    if not address:
        raise RuntimeError("dbus-daemon did not start")
    return bus, address


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    program = sys.argv[1]
    work = tempfile.mkdtemp(prefix="vyr-atspi-")
    children = []
    try:
        xvfb, display = start_xvfb(work)
        children.append(xvfb)
        bus, address = start_session_bus()
        children.append(bus)
        env = dict(os.environ)
        env.update({"DISPLAY": display, "DBUS_SESSION_BUS_ADDRESS": address, "XDG_RUNTIME_DIR": work,
                    "QT_QPA_PLATFORM": "xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "NO_AT_BRIDGE": "0",
                    "QT_ACCESSIBILITY": "1", "LC_ALL": "C.UTF-8"})
        env.pop("QT_SCALE_FACTOR", None)
        if "ASAN_OPTIONS" in env:
            # Under AddressSanitizer: libxkbcommon-x11 (Qt's xcb platform) copies the X server's
            # atom names with strndup, which reads no further than the length but finds no
            # terminating 0, and strict string checks take that for an overflow. Not our code.
            env["ASAN_OPTIONS"] += ":strict_string_checks=0"
        launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, start_new_session=True)
        children.append(launcher)
        # pyatspi reads the buses from the environment when it is imported.
        os.environ.update(env)
        import pyatspi  # noqa: E402

        def registry_ready():
            try:
                return pyatspi.Registry.getDesktop(0) is not None
            except Exception:  # the bus is not up yet
                return False

        wait_for(registry_ready, "the accessibility bus")

        stderr_path = os.path.join(work, "stderr.txt")
        with open(stderr_path, "w") as stderr:
            window = subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=stderr, text=True,
                                      start_new_session=True)
        children.append(window)
        if window.stdout.readline().strip() != "ready":
            raise RuntimeError("the window program did not start")
        return run_checks(pyatspi, stderr_path)
    except (RuntimeError, TimeoutError) as error:
        print(f"FAIL {error}")
        return 1
    finally:
        for child in reversed(children):
            try:
                os.killpg(child.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        for child in reversed(children):
            try:
                child.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(child.pid, signal.SIGKILL)
        shutil.rmtree(work, ignore_errors=True)


def find_app(pyatspi):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == "vyr-atspi-window":
            return app
    return None


def walk(node, depth=0, out=None):
    if out is None:
        out = []
    out.append((depth, node))
    for child in node:
        if child is not None:
            walk(child, depth + 1, out)
    return out


def pyatspi_module():
    return sys.modules["pyatspi"]


def describe(node):
    interfaces = ",".join(sorted(node.get_interfaces()))
    text = ""
    if "Text" in node.get_interfaces():
        t = node.queryText()
        text = f" text={t.getText(0, -1)!r}"
    state_names = ",".join(name for name in (pyatspi_module().stateToString(s) for s in node.getState().getStates())
                           if any(w in name for w in ("edit", "read", "focused", "animated")))
    return (f"[{node.getRoleName()}] name={node.name!r} description={node.description!r}{text}"
            f" states={state_names} interfaces={interfaces}")


def run_checks(pyatspi, stderr_path):
    app = wait_for(lambda: find_app(pyatspi), "the window program on the accessibility bus")

    def top(name):
        return next((child for child in app if child is not None and child.name == name), None)

    def displays(window):
        nodes = [n for _, n in walk(window) if "Text" in n.get_interfaces()]
        edited = [n for n in nodes if n.description.endswith("editable")]
        marquee = [n for n in nodes if n.description.endswith("scrolling")]
        return (edited[0], marquee[0]) if edited and marquee else None

    # Listening to value changes as Orca does: Qt reports a value-changed event of an object
    # without a value interface only then (its warning on standard error).
    values = []

    def value_listener(event):
        values.append((event.type, event.source.name if event.source else None))

    value_events = ("object:value-changed", "object:property-change:accessible-value")
    pyatspi.Registry.registerEventListener(value_listener, *value_events)

    widgets = wait_for(lambda: top("Vyr AT-SPI window"), "the widget window in the tree")
    edited, marquee = wait_for(lambda: displays(widgets), "both LED displays in the tree")
    print("The tree as a reader sees it:")
    for depth, node in walk(app):
        print("  " * (depth + 1) + describe(node))

    check(edited.name == "LED display", f"the edited display is named 'LED display' (got {edited.name!r})")
    check(edited.getRoleName() == "text", f"the edited display's role is text (got {edited.getRoleName()!r})")
    check("EditableText" in edited.get_interfaces(), "the edited display offers EditableText")
    check(edited.getState().contains(pyatspi.STATE_EDITABLE), "the edited display is editable")
    check(marquee.name == "Marquee", f"the marquee is named by its label (got {marquee.name!r})")
    marquee_text = marquee.queryText().getText(0, -1)
    check(marquee_text == "Vyr Components green @ 2", f"the marquee reads without codes (got {marquee_text!r})")
    check(marquee.getState().contains(pyatspi.STATE_READ_ONLY), "the marquee is read-only")
    check(not marquee.getState().contains(pyatspi.STATE_EDITABLE), "the marquee is not editable")
    check("EditableText" not in marquee.get_interfaces(), "the marquee offers no EditableText")
    check(marquee.getRoleName() == "label", f"the marquee's role is label (got {marquee.getRoleName()!r})")

    # Typing: three keys through the registry's keyboard, the events as a reader receives them.
    wait_for(lambda: edited.getState().contains(pyatspi.STATE_FOCUSED), "the focus on the edited display")
    events = []

    def listener(event):
        if event.source == edited:
            events.append((event.type, event.detail1, event.detail2, event.any_data))

    pyatspi.Registry.registerEventListener(listener, "object:text-changed", "object:text-caret-moved")
    loop = GLib.MainLoop()
    typed = "VYR"

    def type_keys():
        for ch in typed:
            pyatspi.Registry.generateKeyboardEvent(ord(ch), None, pyatspi.KEY_SYM)
        return False

    def enough():
        inserts = [e for e in events if e[0].startswith("object:text-changed:insert")]
        carets = [e for e in events if e[0].startswith("object:text-caret-moved")]
        if len(inserts) >= len(typed) and len(carets) >= len(typed):
            loop.quit()
            return False
        return True

    GLib.timeout_add(200, type_keys)
    GLib.timeout_add(100, enough)
    GLib.timeout_add_seconds(TIMEOUT, loop.quit)
    loop.run()
    # Anything that follows late (a stray whole-text delete) is caught too.
    late = GLib.MainLoop()
    GLib.timeout_add(500, late.quit)
    late.run()
    pyatspi.Registry.deregisterEventListener(listener, "object:text-changed", "object:text-caret-moved")

    pyatspi.Registry.deregisterEventListener(value_listener, *value_events)
    print("Events while typing:", events)
    check(not [v for v in values if v[1] == edited.name], f"no value change of the edited display (got {values})")
    inserts = [e for e in events if e[0].startswith("object:text-changed:insert")]
    deletes = [e for e in events if e[0].startswith("object:text-changed:delete")]
    carets = [e for e in events if e[0].startswith("object:text-caret-moved")]
    check([(e[1], e[2], e[3]) for e in inserts] == [(i, 1, ch) for i, ch in enumerate(typed)],
          "one insert event of length 1 per typed character, at the cursor")
    check(not deletes, "no delete event while typing")
    check([e[1] for e in carets] == list(range(1, len(typed) + 1)), "a caret event after each character")
    check(edited.queryText().getText(0, -1) == typed, "the edited display holds the typed text")

    # Editing through the EditableText interface, as an assistive tool does.
    editable = edited.queryEditableText()
    editable.insertText(1, "-", 1)
    editable.deleteText(0, 1)
    got = wait_for(lambda: edited.queryText().getText(0, -1) == "-YR" and "-YR", "the edits through EditableText")
    check(got == "-YR", "EditableText inserts and deletes through the display")

    # The Qt Quick window's EditMatrix items (when the module is built): the same as the widgets.
    board = top("Vyr AT-SPI board")
    if board is not None:
        quick = displays(board)
        check(quick is not None, "both EditMatrix items are in the Qt Quick window's tree")
        if quick is not None:
            platform, running = quick
            check(platform.name == "Platform 3", f"the item takes its Accessible.name (got {platform.name!r})")
            check(platform.getRoleName() == "text" and "EditableText" in platform.get_interfaces(),
                  "the edited item is an editable text with EditableText")
            platform.queryEditableText().insertText(0, "NOW ", 4)
            got = wait_for(lambda: platform.queryText().getText(0, -1) == "NOW ON TIME" and "ok",
                           "the edit of the Qt Quick item through EditableText")
            check(got == "ok", "EditableText edits the Qt Quick item")
            check(running.name == "LED display", f"the scrolling item's default name (got {running.name!r})")
            check(running.getRoleName() == "label" and running.getState().contains(pyatspi.STATE_READ_ONLY)
                  and "EditableText" not in running.get_interfaces(), "the scrolling item is a read-only label")
            running_text = running.queryText().getText(0, -1)
            check(running_text == "Platform @3", f"the scrolling item reads without codes (got {running_text!r})")

    with open(stderr_path) as stderr:
        lines = [line.rstrip() for line in stderr]
    print("The window program's standard error:" + "".join("\n  " + line for line in lines))
    warnings = [line for line in lines if "qt.accessibility" in line or "ValueChanged" in line
                or "QObject::connect" in line]
    check(not warnings, "no Qt accessibility warning on standard error" + "".join("\n       " + w for w in warnings))

    print(f"atspi_test: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
