// vyr::QuickEditMatrix and vyr::QuickCharSet: the properties over the control's setters, the
// loading order, and the change signals.
//
// Signals are emitted by comparing every property with the value last signalled (FShown): after
// each call from Qt at the outermost level, and from the event loop after the control reported a
// change (OnPropertyChange) outside such a call: a scroll step, a blink toggle or a host repaint
// whose frame ran a control code. The control's hook itself only notes the change; nothing runs
// inside the frame that made it.
#include <QtCore/QCoreApplication>
#include <QtCore/QMetaObject>
#include <QtCore/QPointer>
#include <algorithm>
#include <utility>

#include "../qt/accessible_text.h"
#include "vyr/quick/QuickEditMatrix.h"

namespace vyr {

using host::AnsiString;
using host::Byte;
using host::TColor;

namespace {

Byte ClampByte(int Value) { return static_cast<Byte>(std::clamp(Value, 0, 255)); }
TColor Rgb(TColor Color) { return Color & 0xFFFFFF; }
TColor ColorOf(const QVariant& Value) { return qt::ToTColor(Value.value<QColor>()); }

// The shared TCharSets, owned by one root component that goes with the application object.
class TSharedCharsets final : public QObject {
public:
    explicit TSharedCharsets(QObject* Parent) : QObject(Parent), FRoot(nullptr) {}

    TCharSet* Named(const host::AnsiString& Name) {
        for (int i = 0; i < FRoot.ComponentCount(); ++i) {
            auto* CharSet = dynamic_cast<TCharSet*>(FRoot.Components(i));
            if (CharSet != nullptr && CharSet->Name() == Name) return CharSet;
        }
        auto* CharSet = new TCharSet(&FRoot);  // FRoot owns and frees it
        CharSet->SetName(Name);
        return CharSet;
    }

    static TSharedCharsets* Instance() {
        static QPointer<TSharedCharsets> Shared;
        if (Shared.isNull() && QCoreApplication::instance() != nullptr) {
            Shared = new TSharedCharsets(QCoreApplication::instance());
        }
        return Shared.data();
    }

private:
    host::TComponent FRoot;
};

}  // namespace

// ---- Change tracking -------------------------------------------------------------------------

struct QuickEditMatrix::TSnapshot {
    bool Scroll = false;
    int Delay = 0;
    TColor BlinkOffColor = 0;
    int BlinkDelay = 0;
    bool ActiveLed = false;
    TColor ActiveLedOnColor = 0;
    TColor ActiveLedOffColor = 0;
    TColor BackgroundColor = 0;
    QString Charset;
    TColor InactiveLedOnColor = 0;
    TColor InactiveLedOffColor = 0;
    EShape LedShape = EShape::Square;
    int LedSize = 0;
    int LedDistance = 0;
    bool StepActive = false;
    int StepToOutside = 0;
    QString Text;
    int TotalVisible = 0;
    bool Overwrite = false;
    QString FontSource;
    QString CodePage;
    int CursorPosition = 0;

    void Take(const TEditMatrix& M, const qt::TFontSetting& Fonts) {
        Scroll = M.Scroll();
        Delay = M.Delay();
        BlinkOffColor = Rgb(M.BlinkOffColor());
        BlinkDelay = M.BlinkDelay();
        ActiveLed = M.ActiveLED();
        ActiveLedOnColor = Rgb(M.ActiveLEDOnColor());
        ActiveLedOffColor = Rgb(M.ActiveLEDOffColor());
        BackgroundColor = Rgb(M.BackgroundColor());
        Charset = M.Charset() == nullptr ? QString() : qt::FromAnsi(M.Charset()->Name());
        InactiveLedOnColor = Rgb(M.InactiveLEDOnColor());
        InactiveLedOffColor = Rgb(M.InactiveLEDOffColor());
        LedShape = M.LEDShape();
        LedSize = M.LEDSize();
        LedDistance = M.LEDDistance();
        StepActive = M.StepActive();
        StepToOutside = M.StepToOutside();
        Text = Fonts.decode(M.FReadText());
        TotalVisible = M.TotalVisible();
        Overwrite = M.Overwrite();
        FontSource = Fonts.fontSource();
        CodePage = Fonts.codePage();
        CursorPosition = M.CursorPos();
    }
};

// A call made by the item's own API, bracketed like the calls from Qt events.
class QuickEditMatrix::TCall {
public:
    explicit TCall(QuickEditMatrix& M) : FM(M) { FM.hostCallBegin(); }
    ~TCall() { FM.hostCallEnd(false); }
    TCall(const TCall&) = delete;
    TCall& operator=(const TCall&) = delete;

private:
    QuickEditMatrix& FM;
};

QuickEditMatrix::QuickEditMatrix(QQuickItem* Parent)
    : quick::QQuickHostItem(Parent),
      FMatrix(std::make_unique<TEditMatrix>(nullptr)),
      FFonts(std::make_unique<qt::TFontSetting>(*FMatrix)),
      FShown(std::make_unique<TSnapshot>()) {
    FMatrix->OnPropertyChange = [this](TEditMatrix&, std::string_view) { ChangeNoted(); };
    adoptControl(*FMatrix);
    FShown->Take(*FMatrix, *FFonts);
    FSpoken = qt::AccessibleText(*FMatrix);
    // The accessible object is made once the QML declaration is complete, or from the event loop
    // for an item made from C++, not here: an item a QML engine makes gets the engine's own QML
    // data after this constructor, which would replace (and leak) what making it now creates.
    InstallAccessibility();
    QMetaObject::invokeMethod(this, &QuickEditMatrix::MakeAccessible, Qt::QueuedConnection);
}

QuickEditMatrix::~QuickEditMatrix() {
    FMatrix->OnPropertyChange = nullptr;
    releaseControl();
    // Terminates, wakes and joins both workers; a step still queued is cancelled, not run.
    FMatrix.reset();
}

void QuickEditMatrix::classBegin() {
    QQuickHostItem::classBegin();
    FLoading = true;
}

void QuickEditMatrix::componentComplete() {
    QQuickHostItem::componentComplete();
    FLoading = false;
    MakeAccessible();
    {
        TCall Call(*this);
        for (int P = 0; P < PropertyCount; ++P) {
            QVariant Value = std::exchange(FPending[static_cast<std::size_t>(P)], QVariant());
            if (Value.isValid()) Apply(static_cast<EProperty>(P), Value);
        }
    }
    EmitFontErrors();
}

void QuickEditMatrix::hostCallBegin() { ++FDepth; }

void QuickEditMatrix::hostCallEnd(bool InPaint) {
    if (--FDepth > 0) return;
    // A host repaint may have run control codes: signal from the event loop, outside the paint.
    if (InPaint) {
        if (FChangesNoted) ScheduleFlush();
    } else {
        FlushChanges();
    }
}

void QuickEditMatrix::ChangeNoted() {
    FChangesNoted = true;
    if (FDepth == 0) ScheduleFlush();
}

void QuickEditMatrix::ScheduleFlush() {
    if (FFlushQueued) return;
    FFlushQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FFlushQueued = false;
            FlushChanges();
        },
        Qt::QueuedConnection);
}

void QuickEditMatrix::FlushChanges() {
    if (FLoading) return;  // componentComplete signals what loading changed
    if (FFlushing) {
        // A handler changed something while the signals went out: one more round.
        FFlushAgain = true;
        return;
    }
    FFlushing = true;
    const QPointer<QuickEditMatrix> Self(this);
    do {
        FFlushAgain = false;
        FChangesNoted = false;
        TSnapshot Now;
        Now.Take(*FMatrix, *FFonts);
        TSnapshot& Shown = *FShown;
        // Assistive technology hears of the text and the cursor first, as from a text input.
        if (Now.Scroll != Shown.Scroll || Now.Text != Shown.Text) NotifySpokenText(Now.Scroll != Shown.Scroll);
        if (Now.CursorPosition != Shown.CursorPosition) NotifyCursor();
            // Each signal may run handlers that change more (or destroy the item).
#define VYR_SIGNAL(Field, Signal, Value) \
    if (Now.Field != Shown.Field) {      \
        Shown.Field = Now.Field;         \
        emit Signal(Value);              \
        if (Self.isNull()) return;       \
    }
        VYR_SIGNAL(Scroll, scrollChanged, Now.Scroll)
        VYR_SIGNAL(Delay, delayChanged, Now.Delay)
        VYR_SIGNAL(BlinkOffColor, blinkOffColorChanged, qt::ToQColor(Now.BlinkOffColor))
        VYR_SIGNAL(BlinkDelay, blinkDelayChanged, Now.BlinkDelay)
        VYR_SIGNAL(ActiveLed, activeLedChanged, Now.ActiveLed)
        VYR_SIGNAL(ActiveLedOnColor, activeLedOnColorChanged, qt::ToQColor(Now.ActiveLedOnColor))
        VYR_SIGNAL(ActiveLedOffColor, activeLedOffColorChanged, qt::ToQColor(Now.ActiveLedOffColor))
        VYR_SIGNAL(BackgroundColor, backgroundColorChanged, qt::ToQColor(Now.BackgroundColor))
        VYR_SIGNAL(Charset, charsetChanged, Now.Charset)
        VYR_SIGNAL(InactiveLedOnColor, inactiveLedOnColorChanged, qt::ToQColor(Now.InactiveLedOnColor))
        VYR_SIGNAL(InactiveLedOffColor, inactiveLedOffColorChanged, qt::ToQColor(Now.InactiveLedOffColor))
        VYR_SIGNAL(LedShape, ledShapeChanged, Now.LedShape == EShape::Circle ? Circle : Square)
        VYR_SIGNAL(LedSize, ledSizeChanged, Now.LedSize)
        VYR_SIGNAL(LedDistance, ledDistanceChanged, Now.LedDistance)
        VYR_SIGNAL(StepActive, stepActiveChanged, Now.StepActive)
        VYR_SIGNAL(StepToOutside, stepToOutsideChanged, Now.StepToOutside)
        VYR_SIGNAL(Text, textChanged, Now.Text)
        VYR_SIGNAL(TotalVisible, totalVisibleChanged, Now.TotalVisible)
        VYR_SIGNAL(Overwrite, overwriteChanged, Now.Overwrite)
        VYR_SIGNAL(FontSource, fontSourceChanged, Now.FontSource)
        VYR_SIGNAL(CodePage, codePageChanged, Now.CodePage)
        VYR_SIGNAL(CursorPosition, cursorPositionChanged, Now.CursorPosition)
#undef VYR_SIGNAL
    } while (FFlushAgain);
    FFlushing = false;
}

void QuickEditMatrix::accessibleEdit(int Start, int End, const QString& Text) {
    if (FLoading || FMatrix->Scroll()) return;
    TCall Call(*this);
    const int Length = static_cast<int>(FMatrix->TextLength());
    const int From = std::clamp(Start, 0, Length);
    qt::EditControlText(*FMatrix, From, std::clamp(End, From, Length), Text);
}

// ---- Writing ---------------------------------------------------------------------------------

void QuickEditMatrix::Write(EProperty P, QVariant Value) {
    if (FLoading) {
        FPending[static_cast<std::size_t>(P)] = std::move(Value);
        return;
    }
    {
        TCall Call(*this);
        Apply(P, Value);
    }
    EmitFontErrors();
}

const QVariant* QuickEditMatrix::Pending(EProperty P) const {
    const QVariant& Value = FPending[static_cast<std::size_t>(P)];
    return FLoading && Value.isValid() ? &Value : nullptr;
}

void QuickEditMatrix::Apply(EProperty P, const QVariant& Value) {
    TEditMatrix& M = *FMatrix;
    switch (P) {
        case PScroll:
            M.FSetScroll(Value.toBool());
            break;
        case PDelay:
            M.FSetDelay(Value.toInt());
            break;
        case PBlinkOffColor:
            M.FSetBlinkOffColor(ColorOf(Value));
            break;
        case PBlinkDelay:
            M.FSetBlinkDelay(Value.toInt());
            break;
        case PActiveLed:
            M.FSetActiveLED(Value.toBool());
            break;
        case PActiveLedOnColor:
            M.FSetActiveLEDOnColor(ColorOf(Value));
            break;
        case PActiveLedOffColor:
            M.FSetActiveLEDOffColor(ColorOf(Value));
            break;
        case PBackgroundColor:
            M.FSetBackgroundColor(ColorOf(Value));
            break;
        case PCharset:
            if (Value.toString() != charset()) M.FSetCharSet(sharedCharset(Value.toString()));
            break;
        case PInactiveLedOnColor:
            M.FSetInactiveLEDOnColor(ColorOf(Value));
            break;
        case PInactiveLedOffColor:
            M.FSetInactiveLEDOffColor(ColorOf(Value));
            break;
        case PLedShape:
            // A number that names no shape is clamped to the shapes there are.
            M.FSetLEDShape(Value.toInt() >= Circle ? EShape::Circle : EShape::Square);
            break;
        case PLedSize:
            M.FSetLEDSize(ClampByte(Value.toInt()));
            break;
        case PLedDistance:
            M.FSetLEDDistance(ClampByte(Value.toInt()));
            break;
        case PStepActive:
            M.FSetStepActive(Value.toBool());
            break;
        case PStepToOutside:
            M.FSetStep(ClampByte(Value.toInt()));
            break;
        case PText:
            FFonts->setText(Value.toString());
            break;
        case PTotalVisible:
            M.FSetTotalVisible(ClampByte(Value.toInt()));
            break;
        case POverwrite:
            M.FSetOverwrite(Value.toBool());
            break;
        case PFontSource:
            if (Value.toString() != FFonts->fontSource()) ReportFontError(FFonts->setFontSource(Value.toString()));
            break;
        case PCodePage:
            ReportFontError(FFonts->setCodePage(Value.toString()));
            break;
        case PCursorPosition: {
            const int Target = std::clamp(Value.toInt(), 0, static_cast<int>(M.TextLength()));
            while (M.CursorPos() > Target) M.GoLeft();
            while (M.CursorPos() < Target) M.GoRight();
            break;
        }
        case PropertyCount:
            break;
    }
}

// ---- Properties ------------------------------------------------------------------------------

#define VYR_READ(P, Type, Live)                                              \
    if (const QVariant* Written = Pending(P)) return Written->value<Type>(); \
    return Live;

bool QuickEditMatrix::scroll() const { VYR_READ(PScroll, bool, FMatrix->Scroll()) }
void QuickEditMatrix::setScroll(bool Scroll) { Write(PScroll, Scroll); }

int QuickEditMatrix::delay() const { VYR_READ(PDelay, int, FMatrix->Delay()) }
void QuickEditMatrix::setDelay(int Delay) { Write(PDelay, Delay); }

QColor QuickEditMatrix::blinkOffColor() const {
    VYR_READ(PBlinkOffColor, QColor, qt::ToQColor(FMatrix->BlinkOffColor()))
}
void QuickEditMatrix::setBlinkOffColor(const QColor& Color) { Write(PBlinkOffColor, Color); }

int QuickEditMatrix::blinkDelay() const { VYR_READ(PBlinkDelay, int, FMatrix->BlinkDelay()) }
void QuickEditMatrix::setBlinkDelay(int Delay) { Write(PBlinkDelay, Delay); }

bool QuickEditMatrix::activeLed() const { VYR_READ(PActiveLed, bool, FMatrix->ActiveLED()) }
void QuickEditMatrix::setActiveLed(bool Active) { Write(PActiveLed, Active); }

QColor QuickEditMatrix::activeLedOnColor() const {
    VYR_READ(PActiveLedOnColor, QColor, qt::ToQColor(FMatrix->ActiveLEDOnColor()))
}
void QuickEditMatrix::setActiveLedOnColor(const QColor& Color) { Write(PActiveLedOnColor, Color); }

QColor QuickEditMatrix::activeLedOffColor() const {
    VYR_READ(PActiveLedOffColor, QColor, qt::ToQColor(FMatrix->ActiveLEDOffColor()))
}
void QuickEditMatrix::setActiveLedOffColor(const QColor& Color) { Write(PActiveLedOffColor, Color); }

QColor QuickEditMatrix::backgroundColor() const {
    VYR_READ(PBackgroundColor, QColor, qt::ToQColor(FMatrix->BackgroundColor()))
}
void QuickEditMatrix::setBackgroundColor(const QColor& Color) { Write(PBackgroundColor, Color); }

QString QuickEditMatrix::charset() const {
    VYR_READ(PCharset, QString, FMatrix->Charset() == nullptr ? QString() : qt::FromAnsi(FMatrix->Charset()->Name()))
}
void QuickEditMatrix::setCharset(const QString& Name) { Write(PCharset, Name); }

TCharSet* QuickEditMatrix::sharedCharset(const QString& Name) {
    if (Name.isEmpty()) return nullptr;
    TSharedCharsets* Shared = TSharedCharsets::Instance();
    return Shared == nullptr ? nullptr : Shared->Named(qt::ToAnsi(Name));
}

QColor QuickEditMatrix::inactiveLedOnColor() const {
    VYR_READ(PInactiveLedOnColor, QColor, qt::ToQColor(FMatrix->InactiveLEDOnColor()))
}
void QuickEditMatrix::setInactiveLedOnColor(const QColor& Color) { Write(PInactiveLedOnColor, Color); }

QColor QuickEditMatrix::inactiveLedOffColor() const {
    VYR_READ(PInactiveLedOffColor, QColor, qt::ToQColor(FMatrix->InactiveLEDOffColor()))
}
void QuickEditMatrix::setInactiveLedOffColor(const QColor& Color) { Write(PInactiveLedOffColor, Color); }

QuickEditMatrix::LedShape QuickEditMatrix::ledShape() const {
    if (const QVariant* Written = Pending(PLedShape)) return Written->toInt() >= Circle ? Circle : Square;
    return FMatrix->LEDShape() == EShape::Circle ? Circle : Square;
}
void QuickEditMatrix::setLedShape(LedShape Shape) { Write(PLedShape, static_cast<int>(Shape)); }

int QuickEditMatrix::ledSize() const { VYR_READ(PLedSize, int, FMatrix->LEDSize()) }
void QuickEditMatrix::setLedSize(int Size) { Write(PLedSize, Size); }

int QuickEditMatrix::ledDistance() const { VYR_READ(PLedDistance, int, FMatrix->LEDDistance()) }
void QuickEditMatrix::setLedDistance(int Distance) { Write(PLedDistance, Distance); }

bool QuickEditMatrix::stepActive() const { VYR_READ(PStepActive, bool, FMatrix->StepActive()) }
void QuickEditMatrix::setStepActive(bool StepActive) { Write(PStepActive, StepActive); }

int QuickEditMatrix::stepToOutside() const { VYR_READ(PStepToOutside, int, FMatrix->StepToOutside()) }
void QuickEditMatrix::setStepToOutside(int Step) { Write(PStepToOutside, Step); }

QString QuickEditMatrix::text() const { VYR_READ(PText, QString, FFonts->decode(FMatrix->FReadText())) }
void QuickEditMatrix::setText(const QString& Text) { Write(PText, Text); }

int QuickEditMatrix::totalVisible() const { VYR_READ(PTotalVisible, int, FMatrix->TotalVisible()) }
void QuickEditMatrix::setTotalVisible(int Cells) { Write(PTotalVisible, Cells); }

bool QuickEditMatrix::overwrite() const { VYR_READ(POverwrite, bool, FMatrix->Overwrite()) }
void QuickEditMatrix::setOverwrite(bool Overwrite) { Write(POverwrite, Overwrite); }

QString QuickEditMatrix::fontSource() const { VYR_READ(PFontSource, QString, FFonts->fontSource()) }
void QuickEditMatrix::setFontSource(const QString& Source) { Write(PFontSource, Source); }

QString QuickEditMatrix::codePage() const { VYR_READ(PCodePage, QString, FFonts->codePage()) }
void QuickEditMatrix::setCodePage(const QString& Name) { Write(PCodePage, Name); }

host::AnsiString QuickEditMatrix::typedText(const QString& Text) const { return FFonts->encode(Text); }

// Noted while Apply runs; EmitFontErrors signals them once the call around it has ended.
void QuickEditMatrix::ReportFontError(const std::optional<QString>& Message) {
    if (!Message) return;
    qWarning("EditMatrix: %s", qUtf8Printable(*Message));
    FFontErrors.push_back(*Message);
}

void QuickEditMatrix::EmitFontErrors() {
    const QPointer<QuickEditMatrix> Self(this);
    for (const QString& Message : std::exchange(FFontErrors, {})) {
        emit fontError(Message);
        if (Self.isNull()) return;
    }
}

int QuickEditMatrix::cursorPosition() const { VYR_READ(PCursorPosition, int, FMatrix->CursorPos()) }
void QuickEditMatrix::setCursorPosition(int Position) { Write(PCursorPosition, Position); }

#undef VYR_READ

// ---- CharSet ---------------------------------------------------------------------------------

QuickCharSet::QuickCharSet(QObject* Parent) : QObject(Parent) {}
QuickCharSet::~QuickCharSet() = default;

void QuickCharSet::setName(const QString& Name) {
    if (Name == FName) return;
    FName = Name;
    emit nameChanged(FName);
}

TCharSet* QuickCharSet::charSet() const { return QuickEditMatrix::sharedCharset(FName); }

}  // namespace vyr
