// vyr::QEditMatrix: the properties over the control's setters, and the change signals.
//
// The Qt properties are the list of what is signalled: each one whose name is, case aside, the
// name of a published property of the control ("ledSize" for "LEDSize") is signalled when the
// control reports that name through OnPropertyChange. The hook only marks the property; the
// signals go out after each call from Qt at the outermost level, and from the event loop after a
// change reported outside such a call (a scroll step, a blink toggle or a host repaint whose frame
// ran a control code, or a change made through control()), so nothing runs inside the frame
// that made it. Only a marked property is read again, and signalled if its value differs from
// the one last signalled (a change undone before the signals go out gives none). The cursor is
// no property of the control: its position is compared after every call. fontSource and
// codePage are the widget's own: their setters mark them (and text, whose characters a code page
// change may change).
#include <QtCore/QCoreApplication>
#include <QtCore/QMetaObject>
#include <QtCore/QMetaProperty>
#include <QtCore/QPointer>
#include <QtGui/QAccessible>
#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "accessible.h"
#include "accessible_text.h"
#include "ledpresenter.h"
#include "vyr/qt/QEditMatrix.h"

namespace vyr {

using host::AnsiString;
using host::Byte;
using host::TColor;

namespace {

Byte ClampByte(int Value) { return static_cast<Byte>(std::clamp(Value, 0, 255)); }

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

// ---- Change tracking -------------------------------------------------------------------------

// The name of a property, case aside, as both the control's and Qt's names are compared.
std::string Folded(std::string_view Name) {
    std::string Out(Name);
    for (char& C : Out) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return Out;
}

}  // namespace

struct QEditMatrix::TSignalled {
    struct TProperty {
        QMetaProperty Meta;
        std::string Name;  // folded
        QVariant Shown;    // the value last signalled
        bool Reported = false;
    };
    std::vector<TProperty> Properties;  // QEditMatrix's own Qt properties with a signal, in order
    int Cursor = 0;
    QString Spoken;  // the text assistive technology was last told of

    explicit TSignalled(const QEditMatrix& W) {
        const QMetaObject& Meta = QEditMatrix::staticMetaObject;
        for (int i = Meta.propertyOffset(); i < Meta.propertyCount(); ++i) {
            const QMetaProperty P = Meta.property(i);
            if (!P.hasNotifySignal()) continue;
            Properties.push_back({P, Folded(P.name()), P.read(&W), false});
        }
        Cursor = W.cursorPosition();
        Spoken = qt::AccessibleText(W.control());
    }

    // Marks the Qt property of the control's property Name; false for a name without one.
    bool Report(std::string_view Name) {
        const std::string Key = Folded(Name);
        for (TProperty& P : Properties) {
            if (P.Name == Key) {
                P.Reported = true;
                return true;
            }
        }
        return false;
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

QEditMatrix::QEditMatrix(QWidget* Parent) : qt::QHostWindow(Parent), FMatrix(std::make_unique<TEditMatrix>(nullptr)) {
    qt::InstallEditMatrixAccessibility();
    adoptControl(*FMatrix);
    FPresenter = std::make_unique<qt::TLEDPresenter>(*FMatrix);
    setSurfacePresenter(FPresenter.get());
    FFonts = std::make_unique<qt::TFontSetting>(*FMatrix);
    FSignalled = std::make_unique<TSignalled>(*this);
    FMatrix->OnPropertyChange = [this](TEditMatrix&, std::string_view Property) { ChangeNoted(Property); };
}

QEditMatrix::~QEditMatrix() {
    FMatrix->OnPropertyChange = nullptr;
    setSurfacePresenter(nullptr);
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

void QEditMatrix::ChangeNoted(std::string_view Property) {
    if (!FSignalled->Report(Property)) return;
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
        // Assistive technology hears of the change first, as from a QLineEdit (and no value
        // change: a text has no value interface).
        bool ModeChanged = false;
        bool TextMayChange = false;
        for (const TSignalled::TProperty& P : FSignalled->Properties) {
            if (!P.Reported) continue;
            if (P.Name == "scroll" && P.Meta.read(this) != P.Shown) ModeChanged = true;
            if (P.Name == "text" || P.Name == "scroll") TextMayChange = true;
        }
        if (TextMayChange) NotifySpokenText(ModeChanged);
        // Each signal may run slots that change more (or destroy the widget).
        for (TSignalled::TProperty& P : FSignalled->Properties) {
            if (!P.Reported) continue;
            P.Reported = false;
            QVariant Now = P.Meta.read(this);
            if (Now == P.Shown) continue;
            P.Shown = Now;
            // The signal's one argument has the property's type, which Now holds.
            P.Meta.notifySignal().invoke(this, Qt::DirectConnection, QGenericArgument(Now.typeName(), Now.constData()));
            if (Self.isNull()) return;
        }
        const int Cursor = cursorPosition();
        if (Cursor != FSignalled->Cursor) {
            FSignalled->Cursor = Cursor;
            // While scrolling the spoken text has no cursor.
            if (!scroll()) {
                QAccessibleTextCursorEvent Event(this, Cursor);
                qt::NotifyAccessibility(Event);
            }
            emit cursorPositionChanged(Cursor);
            if (Self.isNull()) return;
        }
    } while (FFlushAgain);
    FFlushing = false;
}

// The spoken text (and, after a switch of mode, the role's state and the description) as
// assistive technology is to hear of it.
void QEditMatrix::NotifySpokenText(bool ModeChanged) {
    if (ModeChanged) {
        qt::SendModeChange(this, accessibleDescription().isEmpty(),
                           [](QAccessibleEvent& Event) { qt::NotifyAccessibility(Event); });
    }
    QString Now = qt::AccessibleText(*FMatrix);
    if (Now == FSignalled->Spoken) return;
    const QString Old = std::exchange(FSignalled->Spoken, Now);
    qt::NotifyTextChange(this, Old, Now, scroll() ? static_cast<int>(Now.size()) : cursorPosition());
}

void QEditMatrix::accessibleEdit(int Start, int End, const QString& Text) {
    if (FMatrix->Scroll()) return;
    TCall Call(*this);
    const int Length = static_cast<int>(FMatrix->TextLength());
    const int From = std::clamp(Start, 0, Length);
    // The surface gets the last frame only.
    holdFrames();
    qt::EditControlText(*FMatrix, From, std::clamp(End, From, Length), Text);
    releaseFrames();
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
// A number that names no shape (setProperty("ledShape", 7), or -1 for an enumerator a form file
// names but this version does not know) is clamped like the sizes: below Square is Square, above
// Circle is Circle.
void QEditMatrix::setLedShape(LedShape Shape) {
    TCall Call(*this);
    FMatrix->FSetLEDShape(static_cast<int>(Shape) >= static_cast<int>(Circle) ? EShape::Circle : EShape::Square);
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

QString QEditMatrix::text() const { return FFonts->decode(FMatrix->FReadText()); }
void QEditMatrix::setText(const QString& Text) {
    TCall Call(*this);
    FFonts->setText(Text);
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

QString QEditMatrix::fontSource() const { return FFonts->fontSource(); }
void QEditMatrix::setFontSource(const QString& Source) {
    if (Source == fontSource()) return;
    std::optional<QString> Error;
    {
        TCall Call(*this);
        Error = FFonts->setFontSource(Source);
        FSignalled->Report("fontSource");
    }
    if (Error) FontFailed(*Error);
}

QString QEditMatrix::codePage() const { return FFonts->codePage(); }
void QEditMatrix::setCodePage(const QString& Name) {
    if (Name == codePage()) return;
    std::optional<QString> Error;
    {
        TCall Call(*this);
        Error = FFonts->setCodePage(Name);
        FSignalled->Report("codePage");
        FSignalled->Report("text");  // the same codes may read as other characters
    }
    if (Error) FontFailed(*Error);
}

void QEditMatrix::FontFailed(const QString& Message) {
    qWarning("vyr::QEditMatrix: %s", qUtf8Printable(Message));
    emit fontError(Message);
}

host::AnsiString QEditMatrix::typedText(const QString& Text) const { return FFonts->encode(Text); }

int QEditMatrix::cursorPosition() const { return FMatrix->CursorPos(); }
void QEditMatrix::setCursorPosition(int Position) {
    TCall Call(*this);
    const int Target = std::clamp(Position, 0, static_cast<int>(FMatrix->TextLength()));
    // The window follows the moves one by one, as the keys would move it; the surface gets the
    // last frame only.
    holdFrames();
    while (FMatrix->CursorPos() > Target) FMatrix->GoLeft();
    while (FMatrix->CursorPos() < Target) FMatrix->GoRight();
    releaseFrames();
}

}  // namespace vyr
