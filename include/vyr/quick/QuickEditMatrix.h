/// @file
/// vyr::QuickEditMatrix, the QML type EditMatrix of the module Vyr.Components: the LED dot-matrix
/// display as a Qt Quick item. It owns one TEditMatrix, shown on the Qt Quick backend
/// (QuickBackend.h), and publishes every published property of the control under the names and
/// types of vyr::QEditMatrix, in the control's declared order.
///
/// Setters go through the control's own setters, so defaults, clamping, repaints and the order
/// effects of the control hold unchanged. Integers outside the range of the control's byte
/// properties (ledSize, ledDistance, stepToOutside, totalVisible) are clamped to 0..255 before the
/// setter; colours keep red, green and blue (alpha is ignored, an invalid colour is black); text
/// goes through codePage (Latin-1 by default; other characters become '?'). fontSource and
/// codePage behave as vyr::QEditMatrix's (the same plumbing, vyr/qt/FontSetting.h).
///
/// Loading. The values a QML declaration writes are kept until the component completes and then
/// applied in the control's declared order, whatever order the declaration wrote them in, as a
/// form is loaded: EditMatrix { totalVisible: 20; stepToOutside: 8 } gives stepToOutside 5 (it is
/// clamped to half the width of 10 in force when it is applied, before totalVisible). Until then a
/// property reads back the value written. Later assignments go straight to the setters. An item
/// made from C++ (not by a QML engine) has no loading phase.
///
/// Notification: every property has a change signal, emitted whenever the value has changed,
/// whatever changed it: a setter, the keyboard (text, overwrite, cursorPosition), the focus
/// (activeLed), a control code inside a scroll frame (colours, delay, LED geometry). A change
/// caused by a call from Qt (a setter, a key, the focus, a click) is signalled before that call
/// returns; a change made inside a frame (a scroll step, a blink toggle, a host repaint) is
/// signalled from the event loop once the frame has returned, so a handler may set properties
/// freely.
///
/// Size: implicitWidth and implicitHeight are the LED geometry: width d + p x 6 x totalVisible,
/// height d + p x 9 in edit mode, d + p x 7 while scrolling (p = ledSize + d, d = ledDistance).
///
/// Accessibility: as vyr::QEditMatrix (vyr/qt/QEditMatrix.h): in edit mode an editable text, in
/// scroll mode a read-only static text of what the marquee shows; each edit sent as what changed.
/// The item is in the accessibility tree without an Accessible line in the QML; its name is
/// Accessible.name, else "LED display"; its description Accessible.description, else what it is.
///
/// Threads: GUI thread only. While scrolling, the control's two worker threads hand their steps
/// to the GUI thread through Qt's event loop; destroying the item ends them first.
#pragma once

#include <QtCore/QPointer>
#include <QtCore/QVariant>
#include <QtGui/QColor>
#include <QtQml/qqmlregistration.h>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "vyr/CharSet.h"
#include "vyr/EditMatrix.h"
#include "vyr/qt/FontSetting.h"
#include "vyr/quick/QuickBackend.h"

namespace vyr {

namespace quick {
class TQuickEditMatrixAccessible;

/// The backend's item, EditMatrix's base, known to QML as a type without a name of its own (so
/// that QML tools know an EditMatrix is an Item).
struct QQuickHostItemForeign {
    Q_GADGET
    QML_FOREIGN(vyr::quick::QQuickHostItem)
    QML_ANONYMOUS
};
}  // namespace quick

/// The QML type EditMatrix: a TEditMatrix as a Qt Quick item, with one property per published
/// property (see the file's description). GUI thread only.
class QuickEditMatrix : public vyr::quick::QQuickHostItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(EditMatrix)
    Q_PROPERTY(bool scroll READ scroll WRITE setScroll NOTIFY scrollChanged)
    Q_PROPERTY(int delay READ delay WRITE setDelay NOTIFY delayChanged)
    Q_PROPERTY(QColor blinkOffColor READ blinkOffColor WRITE setBlinkOffColor NOTIFY blinkOffColorChanged)
    Q_PROPERTY(int blinkDelay READ blinkDelay WRITE setBlinkDelay NOTIFY blinkDelayChanged)
    Q_PROPERTY(bool activeLed READ activeLed WRITE setActiveLed NOTIFY activeLedChanged)
    Q_PROPERTY(QColor activeLedOnColor READ activeLedOnColor WRITE setActiveLedOnColor NOTIFY activeLedOnColorChanged)
    Q_PROPERTY(
        QColor activeLedOffColor READ activeLedOffColor WRITE setActiveLedOffColor NOTIFY activeLedOffColorChanged)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor NOTIFY backgroundColorChanged)
    Q_PROPERTY(QString charset READ charset WRITE setCharset NOTIFY charsetChanged)
    Q_PROPERTY(
        QColor inactiveLedOnColor READ inactiveLedOnColor WRITE setInactiveLedOnColor NOTIFY inactiveLedOnColorChanged)
    Q_PROPERTY(QColor inactiveLedOffColor READ inactiveLedOffColor WRITE setInactiveLedOffColor NOTIFY
                   inactiveLedOffColorChanged)
    Q_PROPERTY(LedShape ledShape READ ledShape WRITE setLedShape NOTIFY ledShapeChanged)
    Q_PROPERTY(int ledSize READ ledSize WRITE setLedSize NOTIFY ledSizeChanged)
    Q_PROPERTY(int ledDistance READ ledDistance WRITE setLedDistance NOTIFY ledDistanceChanged)
    Q_PROPERTY(bool stepActive READ stepActive WRITE setStepActive NOTIFY stepActiveChanged)
    Q_PROPERTY(int stepToOutside READ stepToOutside WRITE setStepToOutside NOTIFY stepToOutsideChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(int totalVisible READ totalVisible WRITE setTotalVisible NOTIFY totalVisibleChanged)
    Q_PROPERTY(bool overwrite READ overwrite WRITE setOverwrite NOTIFY overwriteChanged)
    Q_PROPERTY(QString fontSource READ fontSource WRITE setFontSource NOTIFY fontSourceChanged)
    Q_PROPERTY(QString codePage READ codePage WRITE setCodePage NOTIFY codePageChanged)
    Q_PROPERTY(int cursorPosition READ cursorPosition WRITE setCursorPosition NOTIFY cursorPositionChanged)

public:
    /// The LED shape (EditMatrix.Square, EditMatrix.Circle). Circle keeps ledSize odd and >= 3.
    /// The underlying type is fixed, so any number QML hands over is a value of the type; the
    /// setter clamps it to the shapes there are.
    enum LedShape : int { Square = 0, Circle = 1 };
    Q_ENUM(LedShape)

    /// Makes the item with its control, every property at its default; needs the application
    /// object.
    explicit QuickEditMatrix(QQuickItem* Parent = nullptr);
    /// Stops the marquee's threads (a step still queued is cancelled) before anything goes.
    ~QuickEditMatrix() override;

    /** @{ */
    /// Defaults and rules as vyr::QEditMatrix (vyr/qt/QEditMatrix.h): scroll false, delay 100,
    /// blinkOffColor (64, 0, 0), blinkDelay 100, activeLed true, activeLedOnColor (255, 0, 0),
    /// activeLedOffColor (64, 0, 0), backgroundColor black, charset "" (none; a name refers to the
    /// application's shared CharSet of that name), inactiveLedOnColor (128, 0, 0),
    /// inactiveLedOffColor black, ledShape Square, ledSize 2, ledDistance 1, stepActive false,
    /// stepToOutside 5, text "", totalVisible 10, overwrite false.
    [[nodiscard]] bool scroll() const;
    void setScroll(bool Scroll);
    [[nodiscard]] int delay() const;
    void setDelay(int Delay);
    [[nodiscard]] QColor blinkOffColor() const;
    void setBlinkOffColor(const QColor& Color);
    [[nodiscard]] int blinkDelay() const;
    void setBlinkDelay(int Delay);
    [[nodiscard]] bool activeLed() const;
    void setActiveLed(bool Active);
    [[nodiscard]] QColor activeLedOnColor() const;
    void setActiveLedOnColor(const QColor& Color);
    [[nodiscard]] QColor activeLedOffColor() const;
    void setActiveLedOffColor(const QColor& Color);
    [[nodiscard]] QColor backgroundColor() const;
    void setBackgroundColor(const QColor& Color);
    [[nodiscard]] QString charset() const;
    void setCharset(const QString& Name);
    [[nodiscard]] QColor inactiveLedOnColor() const;
    void setInactiveLedOnColor(const QColor& Color);
    [[nodiscard]] QColor inactiveLedOffColor() const;
    void setInactiveLedOffColor(const QColor& Color);
    [[nodiscard]] LedShape ledShape() const;
    void setLedShape(LedShape Shape);
    [[nodiscard]] int ledSize() const;
    void setLedSize(int Size);
    [[nodiscard]] int ledDistance() const;
    void setLedDistance(int Distance);
    [[nodiscard]] bool stepActive() const;
    void setStepActive(bool StepActive);
    [[nodiscard]] int stepToOutside() const;
    void setStepToOutside(int Step);
    [[nodiscard]] QString text() const;
    void setText(const QString& Text);
    [[nodiscard]] int totalVisible() const;
    void setTotalVisible(int Cells);
    [[nodiscard]] bool overwrite() const;
    void setOverwrite(bool Overwrite);
    /** @} */
    /** @{ */
    /// The font (a path, a "file:" URL or a Qt resource; empty for the built-in glyphs) and the
    /// code page of text and keys (default "ISO-8859-1"), as on vyr::QEditMatrix. Applied after
    /// the control's properties when loading.
    [[nodiscard]] QString fontSource() const;
    void setFontSource(const QString& Source);
    [[nodiscard]] QString codePage() const;
    void setCodePage(const QString& Name);
    /** @} */
    /** @{ */
    /// The cursor: 0 (before the first character) to the text's length. Setting it moves the
    /// cursor as Left and Right keys would, clamped to 0..length; it is applied last when loading.
    [[nodiscard]] int cursorPosition() const;
    void setCursorPosition(int Position);
    /** @} */

    /** @{ */
    /// The control itself, for the rest of its public API.
    [[nodiscard]] TEditMatrix& control() { return *FMatrix; }
    [[nodiscard]] const TEditMatrix& control() const { return *FMatrix; }
    /** @} */

    /// The application's TCharSet named Name (Latin-1), made on first use and destroyed with the
    /// application object. Empty name: null.
    static TCharSet* sharedCharset(const QString& Name);

signals:
    /** @{ */
    /// Emitted with the new value whenever the property of the same name has changed, whatever
    /// changed it (see the file's description for when).
    void scrollChanged(bool scroll);
    void delayChanged(int delay);
    void blinkOffColorChanged(const QColor& blinkOffColor);
    void blinkDelayChanged(int blinkDelay);
    void activeLedChanged(bool activeLed);
    void activeLedOnColorChanged(const QColor& activeLedOnColor);
    void activeLedOffColorChanged(const QColor& activeLedOffColor);
    void backgroundColorChanged(const QColor& backgroundColor);
    void charsetChanged(const QString& charset);
    void inactiveLedOnColorChanged(const QColor& inactiveLedOnColor);
    void inactiveLedOffColorChanged(const QColor& inactiveLedOffColor);
    void ledShapeChanged(vyr::QuickEditMatrix::LedShape ledShape);
    void ledSizeChanged(int ledSize);
    void ledDistanceChanged(int ledDistance);
    void stepActiveChanged(bool stepActive);
    void stepToOutsideChanged(int stepToOutside);
    void textChanged(const QString& text);
    void totalVisibleChanged(int totalVisible);
    void overwriteChanged(bool overwrite);
    void fontSourceChanged(const QString& fontSource);
    void codePageChanged(const QString& codePage);
    void cursorPositionChanged(int cursorPosition);
    /** @} */
    /// A font or a code page could not be used: the message names it and says why (also qWarning).
    void fontError(const QString& message);

protected:
    /// A QML engine starts making the item: values written from now on are kept until
    /// componentComplete.
    void classBegin() override;
    /// The QML declaration is complete: the values kept are applied in the control's declared
    /// order.
    void componentComplete() override;
    void hostCallBegin() override;
    void hostCallEnd(bool InPaint) override;
    [[nodiscard]] host::AnsiString typedText(const QString& Text) const override;

public:
    /// The properties in the control's declared order, then the item's own (cursorPosition last).
    enum EProperty : int {
        PScroll,
        PDelay,
        PBlinkOffColor,
        PBlinkDelay,
        PActiveLed,
        PActiveLedOnColor,
        PActiveLedOffColor,
        PBackgroundColor,
        PCharset,
        PInactiveLedOnColor,
        PInactiveLedOffColor,
        PLedShape,
        PLedSize,
        PLedDistance,
        PStepActive,
        PStepToOutside,
        PText,
        PTotalVisible,
        POverwrite,
        PFontSource,
        PCodePage,
        PCursorPosition,
        PropertyCount
    };

private:
    class TCall;
    struct TSnapshot;
    friend class quick::TQuickEditMatrixAccessible;

    // Accessibility (accessible.cpp): the interface factory, the item's Accessible attached
    // object (which lists it in the tree), the events, and edits asked for by assistive
    // technology (through the control's editing; nothing while scrolling or loading).
    static void InstallAccessibility();
    void MakeAccessible();
    void NotifySpokenText(bool ModeChanged);
    void NotifyCursor();
    void accessibleEdit(int Start, int End, const QString& Text);

    // Applies Value to property P now, or keeps it for componentComplete while loading.
    void Write(EProperty P, QVariant Value);
    void Apply(EProperty P, const QVariant& Value);
    // The value written while loading, or null.
    [[nodiscard]] const QVariant* Pending(EProperty P) const;

    void ChangeNoted();
    void ReportFontError(const std::optional<QString>& Message);
    void EmitFontErrors();
    void ScheduleFlush();
    void FlushChanges();

    std::unique_ptr<TEditMatrix> FMatrix;
    std::unique_ptr<qt::TFontSetting> FFonts;
    std::unique_ptr<TSnapshot> FShown;  // the values last signalled
    std::array<QVariant, PropertyCount> FPending;
    std::vector<QString> FFontErrors;  // noted during a call, signalled after it
    bool FLoading = false;
    int FDepth = 0;
    bool FChangesNoted = false;
    bool FFlushQueued = false;
    bool FFlushing = false;
    bool FFlushAgain = false;
    QPointer<QObject> FAccessibleAttached;
    QString FSpoken;  // the text assistive technology was last told of
};

/// The QML type CharSet: the non-visual TCharSet. Its name is the name a matrix's charset property
/// refers to: CharSet { name: "digits" } stands for the application's shared TCharSet "digits"
/// (QuickEditMatrix::sharedCharset), the very component an EditMatrix { charset: "digits" }
/// refers to. It owns nothing; an empty name (the default) stands for none.
class QuickCharSet : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(CharSet)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)

public:
    /// Makes the object with an empty name (standing for no TCharSet).
    explicit QuickCharSet(QObject* Parent = nullptr);
    ~QuickCharSet() override;

    /** @{ */
    /// The name of the shared TCharSet this object stands for. Default empty (none).
    [[nodiscard]] QString name() const { return FName; }
    void setName(const QString& Name);
    /** @} */
    /// The shared TCharSet of that name (made on first use), or null for an empty name.
    [[nodiscard]] TCharSet* charSet() const;

signals:
    /// Emitted with the new name when it changed.
    void nameChanged(const QString& name);

private:
    QString FName;
};

}  // namespace vyr
