// vyr::QEditMatrix: the properties over the control's setters, and the change signals.
//
// Signals are emitted by comparing every property with the value last signalled (FShown): after
// each call from Qt at the outermost level, and from the event loop after the control reported a
// change (OnPropertyChange) outside such a call: a scroll step, a blink toggle or a host repaint
// whose frame ran a control code, or a change made through control(). The control's hook itself
// only notes the change; nothing runs inside the frame that made it.
#include <QtCore/QCoreApplication>
#include <QtCore/QMetaObject>
#include <QtCore/QPointer>
#include <QtGui/QAccessible>
#include <algorithm>

#include "accessible.h"
#include "vyr/qt/QEditMatrix.h"

namespace vyr {

using host::AnsiString;
using host::Byte;
using host::TColor;

namespace {

Byte ClampByte(int Value) { return static_cast<Byte>(std::clamp(Value, 0, 255)); }
TColor Rgb(TColor Color) { return Color & 0xFFFFFF; }

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

    static TSharedCharsets* Instance(bool Make) {
        static QPointer<TSharedCharsets> Shared;
        if (Shared.isNull() && Make && QCoreApplication::instance() != nullptr) {
            Shared = new TSharedCharsets(QCoreApplication::instance());
        }
        return Shared.data();
    }

private:
    host::TComponent FRoot;
};

}  // namespace

// ---- Change tracking -------------------------------------------------------------------------

struct QEditMatrix::TSnapshot {
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
    host::AnsiString Text;
    int TotalVisible = 0;
    bool Overwrite = false;
    int CursorPosition = 0;

    void Take(const QEditMatrix& W) {
        const TEditMatrix& M = W.control();
        Scroll = M.Scroll();
        Delay = M.Delay();
        BlinkOffColor = Rgb(M.BlinkOffColor());
        BlinkDelay = M.BlinkDelay();
        ActiveLed = M.ActiveLED();
        ActiveLedOnColor = Rgb(M.ActiveLEDOnColor());
        ActiveLedOffColor = Rgb(M.ActiveLEDOffColor());
        BackgroundColor = Rgb(M.BackgroundColor());
        Charset = W.charset();
        InactiveLedOnColor = Rgb(M.InactiveLEDOnColor());
        InactiveLedOffColor = Rgb(M.InactiveLEDOffColor());
        LedShape = M.LEDShape();
        LedSize = M.LEDSize();
        LedDistance = M.LEDDistance();
        StepActive = M.StepActive();
        StepToOutside = M.StepToOutside();
        Text = M.FReadText();
        TotalVisible = M.TotalVisible();
        Overwrite = M.Overwrite();
        CursorPosition = M.CursorPos();
    }
};

// A call made by the widget's own API, bracketed like the calls from Qt events.
class QEditMatrix::TCall {
public:
    explicit TCall(QEditMatrix& W) : FW(W) { FW.hostCallBegin(); }
    ~TCall() { FW.hostCallEnd(false); }
    TCall(const TCall&) = delete;
    TCall& operator=(const TCall&) = delete;

private:
    QEditMatrix& FW;
};

QEditMatrix::QEditMatrix(QWidget* Parent)
    : qt::QHostWindow(Parent), FMatrix(std::make_unique<TEditMatrix>(nullptr)), FShown(std::make_unique<TSnapshot>()) {
    qt::InstallEditMatrixAccessibility();
    FMatrix->OnPropertyChange = [this](TEditMatrix&, std::string_view) { ChangeNoted(); };
    adoptControl(*FMatrix);
    FShown->Take(*this);
}

QEditMatrix::~QEditMatrix() {
    FMatrix->OnPropertyChange = nullptr;
    releaseControl();
    // Terminates, wakes and joins both workers; a step still queued is cancelled, not run.
    FMatrix.reset();
}

void QEditMatrix::hostCallBegin() { ++FDepth; }

void QEditMatrix::hostCallEnd(bool InPaint) {
    if (--FDepth > 0) return;
    // A host repaint may have run control codes: signal from the event loop, outside the paint.
    if (InPaint) {
        if (FChangesNoted) ScheduleFlush();
    } else {
        FlushChanges();
    }
}

void QEditMatrix::ChangeNoted() {
    FChangesNoted = true;
    if (FDepth == 0) ScheduleFlush();
}

void QEditMatrix::ScheduleFlush() {
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

void QEditMatrix::FlushChanges() {
    if (FFlushing) {
        // A slot changed something while the signals went out: one more round.
        FFlushAgain = true;
        return;
    }
    FFlushing = true;
    const QPointer<QEditMatrix> Self(this);
    do {
        FFlushAgain = false;
        FChangesNoted = false;
        TSnapshot Now;
        Now.Take(*this);
        TSnapshot& Shown = *FShown;
        // Each signal may run slots that change more (or destroy the widget).
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
        if (Now.Text != Shown.Text) {
            const QString Old = qt::FromAnsi(Shown.Text);
            const QString New = qt::FromAnsi(Now.Text);
            Shown.Text = Now.Text;
            QAccessibleTextUpdateEvent Update(this, 0, Old, New);
            qt::NotifyAccessibility(Update);
            QAccessibleValueChangeEvent Value(this, New);
            qt::NotifyAccessibility(Value);
            emit textChanged(New);
            if (Self.isNull()) return;
        }
        VYR_SIGNAL(TotalVisible, totalVisibleChanged, Now.TotalVisible)
        VYR_SIGNAL(Overwrite, overwriteChanged, Now.Overwrite)
        if (Now.CursorPosition != Shown.CursorPosition) {
            Shown.CursorPosition = Now.CursorPosition;
            QAccessibleTextCursorEvent Cursor(this, Now.CursorPosition);
            qt::NotifyAccessibility(Cursor);
            emit cursorPositionChanged(Now.CursorPosition);
            if (Self.isNull()) return;
        }
#undef VYR_SIGNAL
    } while (FFlushAgain);
    FFlushing = false;
}

// ---- Properties ------------------------------------------------------------------------------

bool QEditMatrix::scroll() const { return FMatrix->Scroll(); }
void QEditMatrix::setScroll(bool Scroll) {
    TCall Call(*this);
    FMatrix->FSetScroll(Scroll);
}

int QEditMatrix::delay() const { return FMatrix->Delay(); }
void QEditMatrix::setDelay(int Delay) {
    TCall Call(*this);
    FMatrix->FSetDelay(Delay);
}

QColor QEditMatrix::blinkOffColor() const { return qt::ToQColor(FMatrix->BlinkOffColor()); }
void QEditMatrix::setBlinkOffColor(const QColor& Color) {
    TCall Call(*this);
    FMatrix->FSetBlinkOffColor(qt::ToTColor(Color));
}

int QEditMatrix::blinkDelay() const { return FMatrix->BlinkDelay(); }
void QEditMatrix::setBlinkDelay(int Delay) {
    TCall Call(*this);
    FMatrix->FSetBlinkDelay(Delay);
}

bool QEditMatrix::activeLed() const { return FMatrix->ActiveLED(); }
void QEditMatrix::setActiveLed(bool Active) {
    TCall Call(*this);
    FMatrix->FSetActiveLED(Active);
}

QColor QEditMatrix::activeLedOnColor() const { return qt::ToQColor(FMatrix->ActiveLEDOnColor()); }
void QEditMatrix::setActiveLedOnColor(const QColor& Color) {
    TCall Call(*this);
    FMatrix->FSetActiveLEDOnColor(qt::ToTColor(Color));
}

QColor QEditMatrix::activeLedOffColor() const { return qt::ToQColor(FMatrix->ActiveLEDOffColor()); }
void QEditMatrix::setActiveLedOffColor(const QColor& Color) {
    TCall Call(*this);
    FMatrix->FSetActiveLEDOffColor(qt::ToTColor(Color));
}

QColor QEditMatrix::backgroundColor() const { return qt::ToQColor(FMatrix->BackgroundColor()); }
void QEditMatrix::setBackgroundColor(const QColor& Color) {
    TCall Call(*this);
    FMatrix->FSetBackgroundColor(qt::ToTColor(Color));
}

QString QEditMatrix::charset() const {
    const TCharSet* CharSet = FMatrix->Charset();
    return CharSet == nullptr ? QString() : qt::FromAnsi(CharSet->Name());
}
void QEditMatrix::setCharset(const QString& Name) {
    if (Name == charset()) return;
    TCall Call(*this);
    FMatrix->FSetCharSet(sharedCharset(Name));
}

TCharSet* QEditMatrix::charsetComponent() const { return FMatrix->Charset(); }
void QEditMatrix::setCharsetComponent(TCharSet* CharSet) {
    TCall Call(*this);
    FMatrix->FSetCharSet(CharSet);
}

TCharSet* QEditMatrix::sharedCharset(const QString& Name) {
    if (Name.isEmpty()) return nullptr;
    TSharedCharsets* Shared = TSharedCharsets::Instance(true);
    return Shared == nullptr ? nullptr : Shared->Named(qt::ToAnsi(Name));
}

QColor QEditMatrix::inactiveLedOnColor() const { return qt::ToQColor(FMatrix->InactiveLEDOnColor()); }
void QEditMatrix::setInactiveLedOnColor(const QColor& Color) {
    TCall Call(*this);
    FMatrix->FSetInactiveLEDOnColor(qt::ToTColor(Color));
}

QColor QEditMatrix::inactiveLedOffColor() const { return qt::ToQColor(FMatrix->InactiveLEDOffColor()); }
void QEditMatrix::setInactiveLedOffColor(const QColor& Color) {
    TCall Call(*this);
    FMatrix->FSetInactiveLEDOffColor(qt::ToTColor(Color));
}

QEditMatrix::LedShape QEditMatrix::ledShape() const { return FMatrix->LEDShape() == EShape::Circle ? Circle : Square; }
void QEditMatrix::setLedShape(LedShape Shape) {
    TCall Call(*this);
    FMatrix->FSetLEDShape(Shape == Circle ? EShape::Circle : EShape::Square);
}

int QEditMatrix::ledSize() const { return FMatrix->LEDSize(); }
void QEditMatrix::setLedSize(int Size) {
    TCall Call(*this);
    FMatrix->FSetLEDSize(ClampByte(Size));
}

int QEditMatrix::ledDistance() const { return FMatrix->LEDDistance(); }
void QEditMatrix::setLedDistance(int Distance) {
    TCall Call(*this);
    FMatrix->FSetLEDDistance(ClampByte(Distance));
}

bool QEditMatrix::stepActive() const { return FMatrix->StepActive(); }
void QEditMatrix::setStepActive(bool StepActive) {
    TCall Call(*this);
    FMatrix->FSetStepActive(StepActive);
}

int QEditMatrix::stepToOutside() const { return FMatrix->StepToOutside(); }
void QEditMatrix::setStepToOutside(int Step) {
    TCall Call(*this);
    FMatrix->FSetStep(ClampByte(Step));
}

QString QEditMatrix::text() const { return qt::FromAnsi(FMatrix->FReadText()); }
void QEditMatrix::setText(const QString& Text) {
    TCall Call(*this);
    FMatrix->FSetText(qt::ToAnsi(Text));
}

int QEditMatrix::totalVisible() const { return FMatrix->TotalVisible(); }
void QEditMatrix::setTotalVisible(int Cells) {
    TCall Call(*this);
    FMatrix->FSetTotalVisible(ClampByte(Cells));
}

bool QEditMatrix::overwrite() const { return FMatrix->Overwrite(); }
void QEditMatrix::setOverwrite(bool Overwrite) {
    TCall Call(*this);
    FMatrix->FSetOverwrite(Overwrite);
}

int QEditMatrix::cursorPosition() const { return FMatrix->CursorPos(); }
void QEditMatrix::setCursorPosition(int Position) {
    TCall Call(*this);
    const int Target = std::clamp(Position, 0, static_cast<int>(FMatrix->TextLength()));
    while (FMatrix->CursorPos() > Target) FMatrix->GoLeft();
    while (FMatrix->CursorPos() < Target) FMatrix->GoRight();
}

}  // namespace vyr
