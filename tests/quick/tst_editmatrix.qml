import QtQuick
import QtTest
import Vyr.Components

TestCase {
    id: testCase
    name: "EditMatrix"
    width: 400
    height: 200
    when: windowShown
    visible: true  // a TestCase is hidden by default, and hidden items are on no focus chain

    Component {
        id: plain
        EditMatrix {}
    }

    Component {
        id: threeInARow
        Column {
            property alias before: beforeInput
            property alias matrix: theMatrix
            property alias after: afterInput
            TextInput { id: beforeInput; width: 100; height: 20; activeFocusOnTab: true; text: "before" }
            EditMatrix {
                id: theMatrix
                inactiveLedOnColor: "#008000"
            }
            TextInput { id: afterInput; width: 100; height: 20; activeFocusOnTab: true; text: "after" }
        }
    }

    SignalSpy { id: spy }

    function make(component, properties) {
        const item = createTemporaryObject(component, testCase, properties || {});
        verify(item !== null, "made");
        return item;
    }

    function test_defaults_data() {
        return [
            { tag: "scroll", value: false }, { tag: "delay", value: 100 },
            { tag: "blinkOffColor", value: "#400000" }, { tag: "blinkDelay", value: 100 },
            { tag: "activeLed", value: true }, { tag: "activeLedOnColor", value: "#ff0000" },
            { tag: "activeLedOffColor", value: "#400000" }, { tag: "backgroundColor", value: "#000000" },
            { tag: "charset", value: "" }, { tag: "inactiveLedOnColor", value: "#800000" },
            { tag: "inactiveLedOffColor", value: "#000000" }, { tag: "ledShape", value: EditMatrix.Square },
            { tag: "ledSize", value: 2 }, { tag: "ledDistance", value: 1 }, { tag: "stepActive", value: false },
            { tag: "stepToOutside", value: 5 }, { tag: "text", value: "" }, { tag: "totalVisible", value: 10 },
            { tag: "overwrite", value: false }, { tag: "cursorPosition", value: 0 }
        ];
    }

    function test_defaults(row) {
        const m = make(plain);
        if (typeof row.value === "string" && row.value.startsWith("#"))
            verify(Qt.colorEqual(m[row.tag], row.value), row.tag + " is " + m[row.tag]);
        else
            compare(m[row.tag], row.value);
    }

    // Each write goes through the control's setter (clamping, shape rules) and signals the value
    // taken, once; writing the value held signals nothing.
    function test_write_data() {
        return [
            { tag: "scroll", prop: "scroll", value: true, taken: true },
            { tag: "delay", prop: "delay", value: 40, taken: 40 },
            { tag: "blinkDelay", prop: "blinkDelay", value: 7, taken: 7 },
            { tag: "activeLed", prop: "activeLed", value: false, taken: false },
            { tag: "colour", prop: "activeLedOnColor", value: "#10e020", taken: "#10e020" },
            { tag: "alpha ignored", prop: "backgroundColor", value: "#80102030", taken: "#102030" },
            { tag: "charset by name", prop: "charset", value: "digits", taken: "digits" },
            { tag: "circle", prop: "ledShape", value: EditMatrix.Circle, taken: EditMatrix.Circle },
            { tag: "no such shape", prop: "ledShape", value: 7, taken: EditMatrix.Circle },
            { tag: "ledSize clamped", prop: "ledSize", value: 300, taken: 255 },
            { tag: "ledSize 0 is 1", prop: "ledSize", value: 0, taken: 1 },
            { tag: "ledDistance negative", prop: "ledDistance", value: -4, taken: 0 },
            { tag: "stepActive", prop: "stepActive", value: true, taken: true },
            { tag: "step", prop: "stepToOutside", value: 3, taken: 3 },
            { tag: "step half the width", prop: "stepToOutside", value: 8, taken: 5, signals: 0 },
            { tag: "step 0 is 1", prop: "stepToOutside", value: 0, taken: 1 },
            { tag: "text", prop: "text", value: "Gate 4", taken: "Gate 4" },
            { tag: "text not Latin-1", prop: "text", value: "a\u20acb", taken: "a?b" },
            { tag: "totalVisible", prop: "totalVisible", value: 20, taken: 20 },
            { tag: "overwrite", prop: "overwrite", value: true, taken: true }
        ];
    }

    function test_write(row) {
        const m = make(plain);
        spy.clear();
        spy.target = m;
        spy.signalName = row.prop + "Changed";
        m[row.prop] = row.value;
        if (typeof row.taken === "string" && row.taken.startsWith("#"))
            verify(Qt.colorEqual(m[row.prop], row.taken), row.prop + " is " + m[row.prop]);
        else
            compare(m[row.prop], row.taken);
        const signals = row.signals === undefined ? 1 : row.signals;
        compare(spy.count, signals, "signals");
        m[row.prop] = m[row.prop];
        compare(spy.count, signals, "no signal for the value held");
    }

    function test_circle_keeps_led_size_odd() {
        const m = make(plain);
        spy.clear();
        spy.target = m;
        spy.signalName = "ledSizeChanged";
        m.ledShape = EditMatrix.Circle;
        compare(m.ledSize, 3);
        compare(spy.count, 1, "the shape's change of ledSize is signalled");
    }

    // Declared values are applied in the control's order whatever order QML writes them in.
    function test_load_order_data() {
        return [
            { tag: "width first", source: "EditMatrix { totalVisible: 20; stepToOutside: 8 }", step: 5, cells: 20 },
            { tag: "step first", source: "EditMatrix { stepToOutside: 8; totalVisible: 20 }", step: 5, cells: 20 },
            { tag: "narrow", source: "EditMatrix { stepToOutside: 4; totalVisible: 6 }", step: 3, cells: 6 },
            { tag: "cursor after text", source: "EditMatrix { cursorPosition: 2; text: \"abcd\" }", cursor: 2 }
        ];
    }

    function test_load_order(row) {
        const m = Qt.createQmlObject("import Vyr.Components\n" + row.source, testCase, row.tag);
        verify(m !== null);
        if (row.step !== undefined) {
            compare(m.stepToOutside, row.step);
            compare(m.totalVisible, row.cells);
            m.stepToOutside = 8;  // later writes go straight to the setter
            compare(m.stepToOutside, Math.min(8, Math.floor(row.cells / 2)));
        }
        if (row.cursor !== undefined)
            compare(m.cursorPosition, row.cursor);
        m.destroy();
    }

    function test_implicit_size_is_the_led_geometry() {
        const m = make(plain);
        compare(m.implicitWidth, 1 + 3 * 6 * 10);
        compare(m.implicitHeight, 1 + 3 * 9);
        m.ledSize = 4;
        m.ledDistance = 2;
        m.totalVisible = 3;
        compare(m.implicitWidth, 2 + 6 * 6 * 3);
        compare(m.implicitHeight, 2 + 6 * 9);
        m.scroll = true;
        compare(m.implicitHeight, 2 + 6 * 7);
    }

    function test_keys() {
        const m = make(plain);
        m.forceActiveFocus();
        verify(m.activeFocus);
        keyClick(Qt.Key_A);
        keyClick(Qt.Key_B);
        keyClick(Qt.Key_Exclam);  // '!' types; its code is Page Up's, which must not move
        compare(m.text, "ab!");
        compare(m.cursorPosition, 3);
        keyClick(Qt.Key_Left);
        keyClick(Qt.Key_Left);
        compare(m.cursorPosition, 1);
        keyClick(Qt.Key_Delete);
        compare(m.text, "a!");
        keyClick(Qt.Key_Backspace);
        compare(m.text, "!");
        compare(m.cursorPosition, 0);
        spy.clear();
        spy.target = m;
        spy.signalName = "overwriteChanged";
        keyClick(Qt.Key_Insert);
        compare(m.overwrite, true);
        compare(spy.count, 1, "the keyboard's change is signalled");
        keyClick(Qt.Key_Q);
        compare(m.text, "q");
        keyClick(Qt.Key_End);
        keyClick(Qt.Key_Home);
        compare(m.cursorPosition, 0);
    }

    function test_focus_colours_and_up_down_walk() {
        const row = make(threeInARow);
        const m = row.matrix;
        m.forceActiveFocus();
        verify(m.activeFocus);
        compare(m.activeLed, true);
        keyClick(Qt.Key_Down);
        verify(row.after.activeFocus, "Down: the next item of the focus chain");
        compare(m.activeLed, false);
        m.forceActiveFocus();
        compare(m.activeLed, true);
        keyClick(Qt.Key_Up);
        verify(row.before.activeFocus, "Up: the previous item of the focus chain");
        compare(m.activeLed, false);
    }

    function test_click_takes_the_focus() {
        const row = make(threeInARow);
        row.before.forceActiveFocus();
        mouseClick(row.matrix);
        verify(row.matrix.activeFocus);
        compare(row.matrix.activeLed, true);
    }

    function test_scrolling_changes_the_picture() {
        const m = make(plain, { text: "Platform 3 @C00FF00on time", delay: 5, totalVisible: 8 });
        waitForRendering(m);
        const first = grabImage(m);
        m.scroll = true;
        tryVerify(function() { return !grabImage(m).equals(first); }, 3000, "frames reach the screen");
        m.scroll = false;
        compare(m.scroll, false);
    }

    function test_control_code_changes_are_signalled() {
        // @C sets the active on colour while the marquee runs.
        const m = make(plain, { text: "@C00FF00go", delay: 1 });
        spy.clear();
        spy.target = m;
        spy.signalName = "activeLedOnColorChanged";
        m.scroll = true;
        spy.wait(3000);
        verify(Qt.colorEqual(m.activeLedOnColor, "#00ff00"), "" + m.activeLedOnColor);
    }

    function test_destroying_a_scrolling_item_at_any_moment() {
        for (let wait_ms of [0, 1, 3, 10, 30]) {
            const m = plain.createObject(testCase, { text: "destroy me @B000010blinking", delay: 0, blinkDelay: 0 });
            m.scroll = true;
            wait(wait_ms);
            m.destroy();
            wait(0);
        }
        verify(true);
    }

    Component {
        id: windowWithMatrix
        Window {
            width: 200; height: 60; visible: true
            EditMatrix { text: "window @B000020going"; delay: 0; blinkDelay: 0; scroll: true }
        }
    }

    function test_destroying_the_window_of_a_scrolling_item() {
        for (let wait_ms of [0, 2, 20]) {
            const w = windowWithMatrix.createObject(null);
            wait(wait_ms);
            w.destroy();
            wait(0);
        }
        verify(true);
    }
}
