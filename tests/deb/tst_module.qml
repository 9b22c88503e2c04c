// A QML program outside the project's build: imports Vyr.Components from wherever the import
// path finds it (the unpacked Debian package in scripts/check-deb.sh) and uses the module's
// whole API, every property, enumeration and change signal, so that qmllint checks it against
// the module's type description too (quick_module_qmllint).
import QtTest
import Vyr.Components

TestCase {
    id: test
    name: "VyrComponentsModule"
    width: 400
    height: 100
    when: windowShown

    property int changes: 0
    property string lastError: ""

    CharSet {
        id: digits
        name: "digits"
    }

    EditMatrix {
        id: matrix
        scroll: false
        delay: 100
        blinkOffColor: "#400000"
        blinkDelay: 100
        activeLed: true
        activeLedOnColor: "#ff0000"
        activeLedOffColor: "#400000"
        backgroundColor: "black"
        charset: digits.name
        inactiveLedOnColor: "#800000"
        inactiveLedOffColor: "black"
        ledShape: EditMatrix.Square
        ledSize: 2
        ledDistance: 1
        stepActive: false
        stepToOutside: 2
        text: "Hi"
        totalVisible: 4
        overwrite: false
        fontSource: ""
        codePage: "ISO-8859-5"
        cursorPosition: 1

        onScrollChanged: scroll => test.changes++
        onDelayChanged: delay => test.changes++
        onBlinkOffColorChanged: blinkOffColor => test.changes++
        onBlinkDelayChanged: blinkDelay => test.changes++
        onActiveLedChanged: activeLed => test.changes++
        onActiveLedOnColorChanged: activeLedOnColor => test.changes++
        onActiveLedOffColorChanged: activeLedOffColor => test.changes++
        onBackgroundColorChanged: backgroundColor => test.changes++
        onCharsetChanged: charset => test.changes++
        onInactiveLedOnColorChanged: inactiveLedOnColor => test.changes++
        onInactiveLedOffColorChanged: inactiveLedOffColor => test.changes++
        onLedShapeChanged: ledShape => test.changes++
        onLedSizeChanged: ledSize => test.changes++
        onLedDistanceChanged: ledDistance => test.changes++
        onStepActiveChanged: stepActive => test.changes++
        onStepToOutsideChanged: stepToOutside => test.changes++
        onTextChanged: text => test.changes++
        onTotalVisibleChanged: totalVisible => test.changes++
        onOverwriteChanged: overwrite => test.changes++
        onFontSourceChanged: fontSource => test.changes++
        onCodePageChanged: codePage => test.changes++
        onCursorPositionChanged: cursorPosition => test.changes++
        onFontError: message => test.lastError = message
    }

    // Declared values are applied in the control's order, text before codePage: the text keeps
    // its characters all the same.
    EditMatrix {
        id: greek
        text: "\u03a9 \u03b1"
        codePage: "ISO-8859-7"
    }

    function test_the_module_works() {
        compare(greek.text, "\u03a9 \u03b1");
        compare(greek.codePage, "ISO-8859-7");
        compare(matrix.text, "Hi");
        compare(matrix.totalVisible, 4);
        compare(matrix.stepToOutside, 2);
        compare(matrix.implicitWidth, 1 + 3 * 6 * 4);
        compare(matrix.codePage, "ISO-8859-5");
        compare(matrix.cursorPosition, 1);
        matrix.text = "\u041f\u0440";  // Cyrillic, held by ISO-8859-5
        compare(matrix.text, "\u041f\u0440");
        matrix.ledShape = EditMatrix.Circle;
        compare(matrix.ledSize, 3);
        matrix.fontSource = "no-such-font.bdf";
        verify(test.lastError.indexOf("no-such-font.bdf") >= 0, test.lastError);
        verify(test.changes >= 3);
    }
}
