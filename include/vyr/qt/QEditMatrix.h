/// @file
/// vyr::QEditMatrix: the LED dot-matrix display as a Qt widget. It owns one TEditMatrix, shown on
/// the Qt backend (QtBackend.h), and publishes every published property of the control as a
/// Q_PROPERTY, in the control's declared order, with Qt's naming and types.
///
/// Setters go through the control's own setters, so defaults, clamping, repaints and the order
/// effects of the control hold unchanged (a form loaded in property order sets stepToOutside
/// before totalVisible, so stepToOutside 8 with totalVisible 20 loads as 5). Integers outside the
/// range of the control's byte properties (ledSize, ledDistance, stepToOutside, totalVisible) are
/// clamped to 0..255 before the setter; colours keep red, green and blue (alpha is ignored, an
/// invalid colour is black); text goes through the code page (codePage, Latin-1 by default; other
/// characters become '?').
///
/// Focus: the control is a tab stop, so the focus policy starts as Qt::StrongFocus; Qt's own
/// focusPolicy and tab order stand for the control's TabStop and TabOrder.
///
/// Notification: every property has a NOTIFY signal, emitted with the new value whenever the
/// value has changed, whatever changed it: a setter, the keyboard (text, overwrite), the focus
/// (activeLed), a control code inside a scroll frame (colours, delay, LED geometry), or a change
/// made through control(). A change caused by a call from Qt (a setter, a key, the focus, a click)
/// is signalled before that call returns; a change made inside a frame (a scroll step, a blink
/// toggle, a host repaint) or through control() is signalled from the event loop once the frame
/// has returned, so a connected slot may set properties freely: it never runs inside a frame.
/// Several changes of one property before a signal give one signal with the last value; a value
/// changed and changed back gives none.
///
/// Size: the control's (fixed size policy; sizeHint is the LED geometry: width d + p x 6 x
/// totalVisible, height d + p x 9 in edit mode, d + p x 7 while scrolling, p = ledSize + d). At a
/// devicePixelRatio other than 1 the LEDs are drawn at device resolution, with the LED size and
/// the distance times the ratio rounded once, so that all LEDs and all gaps are even; the size is
/// then that device geometry divided by the ratio, rounded up (docs/qt-backend.md).
///
/// Accessibility (installed with QAccessible::installFactory when the first QEditMatrix is made):
/// in edit mode an editable text (QAccessible::EditableText, QAccessibleTextInterface and
/// QAccessibleEditableTextInterface, whose edits go through the control's own editing); while
/// scrolling a read-only, animated static text (QAccessible::StaticText) holding the characters the
/// marquee shows, control codes removed and "@@" as "@". The name is accessibleName, else the text
/// of a QLabel whose buddy the widget is, else "LED display"; the description accessibleDescription,
/// else what the display is and whether it scrolls. Each change of the text goes out as a QLineEdit
/// sends it: one insertion, removal or replacement event with its position, and cursor moves as
/// caret events.
///
/// Threads: GUI thread only. While scrolling, the control's two worker threads hand their steps
/// to the GUI thread through Qt's event loop; destroying the widget ends them first.
#pragma once

#include <QtGui/QColor>
#include <QtWidgets/QWidget>
#include <memory>
#include <string_view>

#include "vyr/CharSet.h"
#include "vyr/EditMatrix.h"
#include "vyr/qt/FontSetting.h"
#include "vyr/qt/QtBackend.h"

namespace vyr {

namespace qt {
class TLEDPresenter;
class TEditMatrixAccessible;
}  // namespace qt

/// The LED dot-matrix display as a Qt widget: a TEditMatrix with one Q_PROPERTY per published
/// property (see the file's description). GUI thread only.
class QEditMatrix : public qt::QHostWindow {
    Q_OBJECT
    Q_PROPERTY(bool scroll READ scroll WRITE setScroll NOTIFY scrollChanged DESIGNABLE true)
    Q_PROPERTY(int delay READ delay WRITE setDelay NOTIFY delayChanged DESIGNABLE true)
    Q_PROPERTY(
        QColor blinkOffColor READ blinkOffColor WRITE setBlinkOffColor NOTIFY blinkOffColorChanged DESIGNABLE true)
    Q_PROPERTY(int blinkDelay READ blinkDelay WRITE setBlinkDelay NOTIFY blinkDelayChanged DESIGNABLE true)
    Q_PROPERTY(bool activeLed READ activeLed WRITE setActiveLed NOTIFY activeLedChanged DESIGNABLE true)
    Q_PROPERTY(QColor activeLedOnColor READ activeLedOnColor WRITE setActiveLedOnColor NOTIFY activeLedOnColorChanged
                   DESIGNABLE true)
    Q_PROPERTY(QColor activeLedOffColor READ activeLedOffColor WRITE setActiveLedOffColor NOTIFY
                   activeLedOffColorChanged DESIGNABLE true)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor NOTIFY backgroundColorChanged
                   DESIGNABLE true)
    Q_PROPERTY(QString charset READ charset WRITE setCharset NOTIFY charsetChanged DESIGNABLE true)
    Q_PROPERTY(QColor inactiveLedOnColor READ inactiveLedOnColor WRITE setInactiveLedOnColor NOTIFY
                   inactiveLedOnColorChanged DESIGNABLE true)
    Q_PROPERTY(QColor inactiveLedOffColor READ inactiveLedOffColor WRITE setInactiveLedOffColor NOTIFY
                   inactiveLedOffColorChanged DESIGNABLE true)
    Q_PROPERTY(LedShape ledShape READ ledShape WRITE setLedShape NOTIFY ledShapeChanged DESIGNABLE true)
    Q_PROPERTY(int ledSize READ ledSize WRITE setLedSize NOTIFY ledSizeChanged DESIGNABLE true)
    Q_PROPERTY(int ledDistance READ ledDistance WRITE setLedDistance NOTIFY ledDistanceChanged DESIGNABLE true)
    Q_PROPERTY(bool stepActive READ stepActive WRITE setStepActive NOTIFY stepActiveChanged DESIGNABLE true)
    Q_PROPERTY(int stepToOutside READ stepToOutside WRITE setStepToOutside NOTIFY stepToOutsideChanged DESIGNABLE true)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged DESIGNABLE true)
    Q_PROPERTY(int totalVisible READ totalVisible WRITE setTotalVisible NOTIFY totalVisibleChanged DESIGNABLE true)
    Q_PROPERTY(bool overwrite READ overwrite WRITE setOverwrite NOTIFY overwriteChanged DESIGNABLE true)
    // The widget's own, after the control's: stored in forms after them.
    Q_PROPERTY(QString fontSource READ fontSource WRITE setFontSource NOTIFY fontSourceChanged DESIGNABLE true)
    Q_PROPERTY(QString codePage READ codePage WRITE setCodePage NOTIFY codePageChanged DESIGNABLE true)

public:
    /// The LED shape. Circle keeps ledSize odd and at least 3. The underlying type is fixed, so
    /// that any number a property system or a form file hands over is a value of the type; the
    /// setter clamps it to the shapes there are.
    enum LedShape : int { Square = 0, Circle = 1 };
    Q_ENUM(LedShape)

    /// Makes the widget with its control, every property at its default; needs the QApplication.
    explicit QEditMatrix(QWidget* Parent = nullptr);
    /// Stops the marquee's threads (a step still queued is cancelled) before anything goes.
    ~QEditMatrix() override;

    /** @{ */
    /// The marquee: the text runs from right to left, one LED column every delay ms, with its
    /// "@" control codes executed. Default false.
    [[nodiscard]] bool scroll() const;
    void setScroll(bool Scroll);
    /** @} */
    /** @{ */
    /// Milliseconds between scroll steps, read by the worker before each pause. Default 100;
    /// negative values pause as 0.
    [[nodiscard]] int delay() const;
    void setDelay(int Delay);
    /** @} */
    /** @{ */
    /// Colour of lit LEDs in the dark phase of blinking text. Default dark red (64, 0, 0).
    [[nodiscard]] QColor blinkOffColor() const;
    void setBlinkOffColor(const QColor& Color);
    /** @} */
    /** @{ */
    /// Milliseconds between blink toggles. Default 100; negative values pause as 0.
    [[nodiscard]] int blinkDelay() const;
    void setBlinkDelay(int Delay);
    /** @} */
    /** @{ */
    /// Whether the active or the inactive colour pair is shown. Default true; the focus sets it in
    /// edit mode (true on focus in, false on focus out).
    [[nodiscard]] bool activeLed() const;
    void setActiveLed(bool Active);
    /** @} */
    /** @{ */
    /// Lit LEDs with the active pair. Default red (255, 0, 0).
    [[nodiscard]] QColor activeLedOnColor() const;
    void setActiveLedOnColor(const QColor& Color);
    /** @} */
    /** @{ */
    /// Unlit LEDs with the active pair. Default dark red (64, 0, 0).
    [[nodiscard]] QColor activeLedOffColor() const;
    void setActiveLedOffColor(const QColor& Color);
    /** @} */
    /** @{ */
    /// The margins and the gaps between LEDs. Default black. Setting it always repaints.
    [[nodiscard]] QColor backgroundColor() const;
    void setBackgroundColor(const QColor& Color);
    /** @} */
    /** @{ */
    /// The name of the TCharSet the control refers to; empty (the default) for none. Setting a
    /// name refers the control to the application's TCharSet of that name (sharedCharset), made
    /// on first use, so a form stores and restores the reference by name. The control draws from
    /// its own glyph table whatever it refers to.
    [[nodiscard]] QString charset() const;
    void setCharset(const QString& Name);
    /** @} */
    /** @{ */
    /// Lit LEDs with the inactive pair. Default medium red (128, 0, 0).
    [[nodiscard]] QColor inactiveLedOnColor() const;
    void setInactiveLedOnColor(const QColor& Color);
    /** @} */
    /** @{ */
    /// Unlit LEDs with the inactive pair. Default black.
    [[nodiscard]] QColor inactiveLedOffColor() const;
    void setInactiveLedOffColor(const QColor& Color);
    /** @} */
    /** @{ */
    /// Default Square. Switching to Circle makes ledSize odd and at least 3.
    [[nodiscard]] LedShape ledShape() const;
    void setLedShape(LedShape Shape);
    /** @} */
    /** @{ */
    /// LED side in logical pixels, clamped to 0..255, then: Square 0 becomes 1; Circle odd, at
    /// least 3. Default 2.
    [[nodiscard]] int ledSize() const;
    void setLedSize(int Size);
    /** @} */
    /** @{ */
    /// Logical pixels between LEDs and around the grid, clamped to 0..255. Default 1.
    [[nodiscard]] int ledDistance() const;
    void setLedDistance(int Distance);
    /** @} */
    /** @{ */
    /// The window jumps stepToOutside characters instead of one. Default false.
    [[nodiscard]] bool stepActive() const;
    void setStepActive(bool StepActive);
    /** @} */
    /** @{ */
    /// Characters per jump, clamped to 0..255, then 0 becomes 1, otherwise at most
    /// totalVisible / 2 (the width in force now). Default 5.
    [[nodiscard]] int stepToOutside() const;
    void setStepToOutside(int Step);
    /** @} */
    /** @{ */
    /// The text, through codePage (characters it cannot hold become '?'; control characters
    /// become spaces). Setting it puts the cursor at the end. Default empty.
    [[nodiscard]] QString text() const;
    void setText(const QString& Text);
    /** @} */
    /** @{ */
    /// Character cells shown, clamped to 0..255; re-clamps stepToOutside. Default 10. Setting it
    /// always repaints.
    [[nodiscard]] int totalVisible() const;
    void setTotalVisible(int Cells);
    /** @} */
    /** @{ */
    /// Typing replaces the character under the cursor; Insert toggles it. Default false.
    [[nodiscard]] bool overwrite() const;
    void setOverwrite(bool Overwrite);
    /** @} */

    /** @{ */
    /// The font drawn from: a file path, a "file:" URL or a Qt resource (":/fonts/x.bdf",
    /// "qrc:/fonts/x.bdf"); BDF, PCF or PSF, gzip-compressed or not. Empty (the default): the
    /// built-in glyphs. The glyphs are the built-in ones with the font's on top (codes the font
    /// lacks keep the built-in glyph); glyphs changed through control() are replaced whenever the
    /// font is imported. A font that cannot be read leaves the glyphs as they were, keeps the
    /// source as set, and is reported through fontError and qWarning.
    [[nodiscard]] QString fontSource() const;
    void setFontSource(const QString& Source);
    /** @} */
    /** @{ */
    /// How text and typed keys become the control's 8-bit codes and back: any single-byte code
    /// page iconv knows ("ISO-8859-5", "WINDOWS-1252", "KOI8-R", "CP437", ...). Default
    /// "ISO-8859-1". Changing it keeps the text's characters (the codes are encoded again) and
    /// imports a Unicode font again through the new page. A name that cannot be used leaves the
    /// page as it was and is reported through fontError and qWarning.
    [[nodiscard]] QString codePage() const;
    void setCodePage(const QString& Name);
    /** @} */

    /// The cursor: 0 (before the first character) to the text's length.
    [[nodiscard]] int cursorPosition() const;
    /// Moves the cursor as Home and Right keys would; clamped to 0..length.
    void setCursorPosition(int Position);

    /** @{ */
    /// The control itself, for the rest of its public API (glyphs, InsertCharacter, StopScroll,
    /// the steps). Changes made through it are signalled from the event loop.
    [[nodiscard]] TEditMatrix& control() { return *FMatrix; }
    [[nodiscard]] const TEditMatrix& control() const { return *FMatrix; }
    /** @} */
    /** @{ */
    /// The TCharSet referred to, or null; setting one that is not shared gives charset() its Name.
    [[nodiscard]] TCharSet* charsetComponent() const;
    void setCharsetComponent(TCharSet* CharSet);
    /** @} */
    /// The application's TCharSet named Name (Latin-1), made on first use and destroyed with the
    /// application object (controls referring to it then refer to none). Empty name: null.
    static TCharSet* sharedCharset(const QString& Name);

signals:
    /** @{ */
    /// Emitted with the new value whenever the property of the same name has changed, whatever
    /// changed it (see the file's description for when).
    void scrollChanged(bool scroll);
    void delayChanged(int delay);
    void blinkOffColorChanged(const QColor& color);
    void blinkDelayChanged(int blinkDelay);
    void activeLedChanged(bool activeLed);
    void activeLedOnColorChanged(const QColor& color);
    void activeLedOffColorChanged(const QColor& color);
    void backgroundColorChanged(const QColor& color);
    void charsetChanged(const QString& charset);
    void inactiveLedOnColorChanged(const QColor& color);
    void inactiveLedOffColorChanged(const QColor& color);
    void ledShapeChanged(vyr::QEditMatrix::LedShape ledShape);
    void ledSizeChanged(int ledSize);
    void ledDistanceChanged(int ledDistance);
    void stepActiveChanged(bool stepActive);
    void stepToOutsideChanged(int stepToOutside);
    void textChanged(const QString& text);
    void totalVisibleChanged(int totalVisible);
    void overwriteChanged(bool overwrite);
    void fontSourceChanged(const QString& fontSource);
    void codePageChanged(const QString& codePage);
    /** @} */
    /// The cursor moved (keys, text, setCursorPosition).
    void cursorPositionChanged(int position);
    /// A font or a code page could not be used: the message names it and says why.
    void fontError(const QString& message);

protected:
    void hostCallBegin() override;
    void hostCallEnd(bool InPaint) override;
    [[nodiscard]] host::AnsiString typedText(const QString& Text) const override;

private:
    class TCall;
    struct TSignalled;
    friend class qt::TEditMatrixAccessible;

    // Replaces the characters [Start, End) by Text for assistive technology, through the
    // control's editing (clamped; nothing while scrolling); the cursor ends after Text.
    void accessibleEdit(int Start, int End, const QString& Text);

    void ChangeNoted(std::string_view Property);
    void NotifySpokenText(bool ModeChanged);
    void ScheduleFlush();
    void FlushChanges();
    void FontFailed(const QString& Message);

    std::unique_ptr<TEditMatrix> FMatrix;
    std::unique_ptr<qt::TFontSetting> FFonts;
    std::unique_ptr<TSignalled> FSignalled;         // the values last signalled, the changes reported
    std::unique_ptr<qt::TLEDPresenter> FPresenter;  // the LEDs at device resolution
    int FDepth = 0;
    bool FChangesNoted = false;
    bool FFlushQueued = false;
    bool FFlushing = false;
    bool FFlushAgain = false;
};

}  // namespace vyr
