// TEditMatrix shell: construction and destruction, the refresh flags and Paint, the published
// property setters and the machine-readable property table.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

#include "host_names.h"
#include "vyr/CharSet.h"
#include "vyr/EditMatrix.h"

namespace vyr {

using host::TOperation;
using host::TPropInfo;
using host::TPropList;
using host::TPropValue;
using host::TTypeKind;

// ---- Lifecycle -------------------------------------------------------------------------------

TEditMatrix::TEditMatrix(host::TComponent* AOwner) : host::TCustomControl(AOwner) {
    // The lifecycle flags hold from the first step on; while FCreating is set, every Paint the
    // setters below trigger returns at once (no glyphs, no list, no bitmap, no window yet).
    FDestroying = false;
    FScrollHalted = false;
    FBlinkState = false;
    FBlinking = false;
    FStreamHead = nullptr;
    FGeometryChanged = true;
    FCharset = nullptr;
    FCreating = true;
    FTotalRefresh = true;

    SetControlStyle(ControlStyle() | host::csAcceptsControls | host::csClickEvents | host::csFramed |
                    host::csSetCaption | host::csDoubleClicks | host::csFixedHeight);

    // Both workers start suspended; the first switch to scroll mode resumes them.
    FDelayTimer = std::make_unique<TDelayTimer>(this);
    FBlinkTimer = std::make_unique<TBlinkTimer>(this);

    SetTabStop(true);

    // Defaults, through the setters. ActiveLED comes before the active colours, so that they
    // reach FOnColor/FOffColor and the scroll colours; TotalVisible before StepToOutside, which
    // is clamped against it.
    FSetScroll(false);
    FSetDelay(100);
    FSetBlinkDelay(100);
    FSetActiveLED(true);
    FSetActiveLEDOnColor(255);
    FSetActiveLEDOffColor(64);
    FSetBlinkOffColor(64);

    FScrollOnColor = 255;
    FScrollOffColor = 64;
    FScrollBlinkOffColor = 64;

    FSetBackgroundColor(0);
    FSetInactiveLEDOnColor(128);
    FSetInactiveLEDOffColor(0);
    FSetLEDShape(EShape::Square);
    FSetLEDSize(2);
    FSetLEDDistance(1);
    FSetStepActive(false);
    FSetTotalVisible(10);
    FSetStep(5);
    FSetOverwrite(false);

    InitCharset();
    InitPointers();
    CalculateShape();
    FBitmap = std::make_unique<host::TBitmap>();
    SetupDisplay();

    // FTotalRefresh and FGeometryChanged are still set: the first real Paint sizes, clears and
    // draws the whole frame.
    FCreating = false;
}

TEditMatrix::~TEditMatrix() {
    FDestroying = true;
    // Stop the workers and join them before any part of them or of this control goes away: a
    // worker that has only just started may still be calling its Execute, and the thread
    // objects' destructors rewrite the very table that call goes through. Terminate wakes both at
    // once; WaitFor joins (a synchronised step still queued for the GUI thread is cancelled, so
    // this cannot deadlock).
    if (FDelayTimer) {
        FDelayTimer->Terminate();
    }
    if (FBlinkTimer) {
        FBlinkTimer->Terminate();
    }
    if (FDelayTimer) {
        FDelayTimer->WaitFor();
    }
    if (FBlinkTimer) {
        FBlinkTimer->WaitFor();
    }
    FDelayTimer.reset();
    FBlinkTimer.reset();

    if (FCharset != nullptr) {
        FCharset->RemoveFreeNotification(this);
        FCharset = nullptr;
    }

    ClearPointerArea();
    ClearPixelPointers();
    FBitmap.reset();
}

// ---- Refresh ---------------------------------------------------------------------------------

void TEditMatrix::Paint() {
    if (FCreating) {
        return;
    }
    if (!FScroll) {
        if (FMiniRefresh) {
            TotalRedraw(false, false);
        } else if (FTotalRefresh && FGeometryChanged) {
            TotalRedraw(true, false);
            FGeometryChanged = false;
        } else {
            TotalRedraw(false, true);
        }
    } else {
        if (FMiniRefresh) {
            TotalScrollRedraw(false, false);
        } else if (FTotalRefresh) {
            TotalScrollRedraw(true, false);
        } else {
            TotalScrollRedraw(false, true);
        }
    }
    // Without a window (no parent yet) the frame stays in the back buffer.
    RedrawDisplay();
}

void TEditMatrix::Refresh() {
    FTotalRefresh = true;
    FMiniRefresh = false;
    // Also reached from the constructor's setters, where TEditMatrix::Paint is the one meant.
    Paint();  // NOLINT(clang-analyzer-optin.cplusplus.VirtualCall)
}

void TEditMatrix::GeometryRefresh() {
    FGeometryChanged = true;
    Refresh();
}

void TEditMatrix::Changed(std::string_view Property) {
    if (OnPropertyChange) OnPropertyChange(*this, Property);
}

// ---- Published property setters --------------------------------------------------------------

void TEditMatrix::FSetScroll(bool Value) {
    if (Value == FScroll) {
        return;
    }
    if (Value) {
        FSetActiveLED(true);
        InitScroll();
    }
    FScroll = Value;
    GeometryRefresh();
    if (Value) {
        StartScroll();
    }
    Changed("Scroll");
}

void TEditMatrix::FSetDelay(std::int32_t Value) {
    if (FDelay.exchange(Value, std::memory_order_relaxed) != Value) Changed("Delay");
}

void TEditMatrix::FSetBlinkOffColor(TColor Value) {
    if (Value == FBlinkOffColor) {
        return;
    }
    FBlinkOffColor = Value;
    FScrollBlinkOffColor = Value;
    Refresh();
    Changed("BlinkOffColor");
}

void TEditMatrix::FSetBlinkDelay(std::int32_t Value) {
    if (FBlinkDelay.exchange(Value, std::memory_order_relaxed) != Value) Changed("BlinkDelay");
}

void TEditMatrix::FSetActiveLED(bool Value) {
    if (Value == FActiveLED) {
        return;
    }
    FActiveLED = Value;
    // The scroll colours are left alone: they follow the active pair only through its setters.
    FOnColor = Value ? FActiveLEDOnColor : FInactiveLEDOnColor;
    FOffColor = Value ? FActiveLEDOffColor : FInactiveLEDOffColor;
    Refresh();
    Changed("ActiveLED");
}

void TEditMatrix::FSetActiveLEDOnColor(TColor Value) {
    if (Value == FActiveLEDOnColor) {
        return;
    }
    FActiveLEDOnColor = Value;
    if (FActiveLED) {
        FOnColor = Value;
        FScrollOnColor = Value;
        Refresh();
    }
    Changed("ActiveLEDOnColor");
}

void TEditMatrix::FSetActiveLEDOffColor(TColor Value) {
    if (Value == FActiveLEDOffColor) {
        return;
    }
    FActiveLEDOffColor = Value;
    if (FActiveLED) {
        FOffColor = Value;
        FScrollOffColor = Value;
        Refresh();
    }
    Changed("ActiveLEDOffColor");
}

void TEditMatrix::FSetBackgroundColor(TColor Value) {
    const bool Differs = Value != FBackgroundColor;
    FBackgroundColor = Value;
    Refresh();
    if (Differs) Changed("BackgroundColor");
}

void TEditMatrix::FSetCharSet(TCharSet* Value) {
    if (Value == FCharset) {
        return;
    }
    // Ask to be told when the referenced TCharSet goes, so the reference never dangles.
    if (FCharset != nullptr) {
        FCharset->RemoveFreeNotification(this);
    }
    FCharset = Value;
    if (FCharset != nullptr) {
        FCharset->FreeNotification(this);
    }
    Changed("Charset");
}

void TEditMatrix::FSetInactiveLEDOnColor(TColor Value) {
    if (Value == FInactiveLEDOnColor) {
        return;
    }
    FInactiveLEDOnColor = Value;
    if (!FActiveLED) {
        FOnColor = Value;
        Refresh();
    }
    Changed("InactiveLEDOnColor");
}

void TEditMatrix::FSetInactiveLEDOffColor(TColor Value) {
    if (Value == FInactiveLEDOffColor) {
        return;
    }
    FInactiveLEDOffColor = Value;
    if (!FActiveLED) {
        FOffColor = Value;
        Refresh();
    }
    Changed("InactiveLEDOffColor");
}

void TEditMatrix::FSetLEDShape(EShape Value) {
    // Round LEDs need an odd size of at least 3; the size is adjusted even when the shape
    // stays the same, without a repaint of its own.
    const Byte OldSize = FLEDSize;
    if (Value == EShape::Circle) {
        if (FLEDSize < 3) {
            FLEDSize = 3;
        } else if (FLEDSize % 2 == 0) {
            FLEDSize = static_cast<Byte>(FLEDSize - 1);
        }
    }
    if (Value != FLEDShape) {
        FLEDShape = Value;
        GeometryRefresh();
        Changed("LEDShape");
    }
    if (FLEDSize != OldSize) Changed("LEDSize");
}

void TEditMatrix::FSetLEDSize(Byte Value) {
    if (FLEDShape == EShape::Circle) {
        if (Value < 3) {
            Value = 3;
        } else if (Value % 2 == 0) {
            Value = static_cast<Byte>(Value - 1);
        }
    } else if (Value == 0) {
        Value = 1;
    }
    if (Value == FLEDSize) {
        return;
    }
    FLEDSize = Value;
    GeometryRefresh();
    Changed("LEDSize");
}

void TEditMatrix::FSetLEDDistance(Byte Value) {
    if (Value == FLEDDistance) {
        return;
    }
    FLEDDistance = Value;
    GeometryRefresh();
    Changed("LEDDistance");
}

void TEditMatrix::FSetStepActive(bool Value) {
    const bool Differs = Value != FStepActive;
    FStepActive = Value;
    if (Differs) Changed("StepActive");
}

void TEditMatrix::FSetStep(Byte Value) {
    const Byte Old = FStepToOutside;
    if (Value == 0) {
        FStepToOutside = 1;
    } else {
        FStepToOutside = std::min<Byte>(Value, static_cast<Byte>(FTotalVisible / 2));
    }
    if (FStepToOutside != Old) Changed("StepToOutside");
}

void TEditMatrix::FSetTotalVisible(Byte Value) {
    const bool Differs = Value != FTotalVisible;
    FTotalVisible = Value;
    FSetStep(FStepToOutside);
    CheckAndSetCursor();
    GeometryRefresh();
    if (Differs) Changed("TotalVisible");
}

void TEditMatrix::FSetOverwrite(bool Value) {
    const bool Differs = Value != FOverwrite;
    FOverwrite = Value;
    if (Differs) Changed("Overwrite");
}

void TEditMatrix::Notification(host::TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    // The referenced TCharSet is going away: drop the reference; nothing is drawn from it.
    if (Operation == TOperation::opRemove && AComponent != nullptr && FCharset != nullptr &&
        AComponent == static_cast<host::TComponent*>(FCharset)) {
        FCharset = nullptr;
        Changed("Charset");
    }
}

// ---- Property table --------------------------------------------------------------------------

namespace {

TEditMatrix& Matrix(host::TComponent& C) { return dynamic_cast<TEditMatrix&>(C); }
const TEditMatrix& Matrix(const host::TComponent& C) { return dynamic_cast<const TEditMatrix&>(C); }

std::string Qualified(std::string_view Name) { return "TEditMatrix." + std::string(Name); }

bool BoolArg(std::string_view Name, const TPropValue& V) {
    if (const bool* B = std::get_if<bool>(&V)) {
        return *B;
    }
    throw std::invalid_argument(Qualified(Name) + ": expected a boolean value");
}

// The integer in V, checked against the range of the property's type.
std::int64_t OrdinalArg(std::string_view Name, const TPropValue& V, std::int64_t Min, std::int64_t Max) {
    const std::int64_t* I = std::get_if<std::int64_t>(&V);
    if (I == nullptr) {
        throw std::invalid_argument(Qualified(Name) + ": expected an integer value");
    }
    if (*I < Min || *I > Max) {
        throw std::out_of_range(Qualified(Name) + ": " + std::to_string(*I) + " is outside " + std::to_string(Min) +
                                ".." + std::to_string(Max));
    }
    return *I;
}

TPropInfo BoolProp(std::string_view Name, bool Default, std::string_view Getter, std::string_view Setter,
                   bool (TEditMatrix::*Get)() const, void (TEditMatrix::*Set)(bool)) {
    TPropInfo Info{
        .Name = Name,
        .Kind = TTypeKind::Boolean,
        .TypeName = "Boolean",
        .Default = std::nullopt,
        .Min = 0,
        .Max = 1,
        .EnumNames = {},
        .Getter = Getter,
        .Setter = Setter,
        .Get = [Get](const host::TComponent& C) -> TPropValue { return (Matrix(C).*Get)(); },
        .Set = [Name, Set](host::TComponent& C, const TPropValue& V) { (Matrix(C).*Set)(BoolArg(Name, V)); },
    };
    // Assigned after construction: building the optional variant inside the aggregate trips a
    // false maybe-uninitialized warning in sanitizer builds.
    Info.Default.emplace(std::in_place_type<bool>, Default);
    return Info;
}

// An ordinal property (Integer, Byte, TColor, EShape) held as int64_t in the table.
template <typename T>
TPropInfo OrdinalProp(std::string_view Name, TTypeKind Kind, std::string_view TypeName, std::int64_t Default,
                      std::int64_t Min, std::int64_t Max, std::string_view Getter, std::string_view Setter,
                      T (TEditMatrix::*Get)() const, void (TEditMatrix::*Set)(T)) {
    TPropInfo Info{
        .Name = Name,
        .Kind = Kind,
        .TypeName = TypeName,
        .Default = std::nullopt,
        .Min = Min,
        .Max = Max,
        .EnumNames = {},
        .Getter = Getter,
        .Setter = Setter,
        .Get = [Get](const host::TComponent& C) -> TPropValue { return static_cast<std::int64_t>((Matrix(C).*Get)()); },
        .Set = [Name, Min, Max, Set](
                   host::TComponent& C,
                   const TPropValue& V) { (Matrix(C).*Set)(static_cast<T>(OrdinalArg(Name, V, Min, Max))); },
    };
    Info.Default.emplace(std::in_place_type<std::int64_t>, Default);
    if (Kind == TTypeKind::Enum) {
        Info.EnumNames = {"Square", "Circle"};
    }
    return Info;
}

constexpr std::int64_t IntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t IntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t ColorMax = 0xFFFFFFFF;

TPropInfo ColorProp(std::string_view Name, std::int64_t Default, std::string_view Setter,
                    TColor (TEditMatrix::*Get)() const, void (TEditMatrix::*Set)(TColor)) {
    return OrdinalProp<TColor>(Name, TTypeKind::Color, "TColor", Default, 0, ColorMax, Name, Setter, Get, Set);
}

TPropInfo ByteProp(std::string_view Name, std::int64_t Default, std::string_view Setter,
                   Byte (TEditMatrix::*Get)() const, void (TEditMatrix::*Set)(Byte)) {
    return OrdinalProp<Byte>(Name, TTypeKind::Byte, "Byte", Default, 0, 255, Name, Setter, Get, Set);
}

const TPropInfo& Inherited(const TPropList& Base, std::string_view Name) {
    for (const TPropInfo& Info : Base) {
        if (Info.Name == Name) {
            return Info;
        }
    }
    throw std::logic_error("TCustomControl publishes no property " + std::string(Name));
}

TPropList BuildProperties(const TPropList& Base) {
    TPropList L;
    L.push_back(Inherited(Base, "Name"));
    L.push_back(Inherited(Base, "Tag"));
    L.push_back(BoolProp("Scroll", false, "Scroll", "FSetScroll", &TEditMatrix::Scroll, &TEditMatrix::FSetScroll));
    L.push_back(OrdinalProp<std::int32_t>("Delay", TTypeKind::Integer, "Integer", 100, IntMin, IntMax, "Delay",
                                          "FSetDelay", &TEditMatrix::Delay, &TEditMatrix::FSetDelay));
    L.push_back(ColorProp("BlinkOffColor", 64, "FSetBlinkOffColor", &TEditMatrix::BlinkOffColor,
                          &TEditMatrix::FSetBlinkOffColor));
    L.push_back(OrdinalProp<std::int32_t>("BlinkDelay", TTypeKind::Integer, "Integer", 100, IntMin, IntMax,
                                          "BlinkDelay", "FSetBlinkDelay", &TEditMatrix::BlinkDelay,
                                          &TEditMatrix::FSetBlinkDelay));
    L.push_back(BoolProp("ActiveLED", true, "ActiveLED", "FSetActiveLED", &TEditMatrix::ActiveLED,
                         &TEditMatrix::FSetActiveLED));
    L.push_back(ColorProp("ActiveLEDOnColor", 255, "FSetActiveLEDOnColor", &TEditMatrix::ActiveLEDOnColor,
                          &TEditMatrix::FSetActiveLEDOnColor));
    L.push_back(ColorProp("ActiveLEDOffColor", 64, "FSetActiveLEDOffColor", &TEditMatrix::ActiveLEDOffColor,
                          &TEditMatrix::FSetActiveLEDOffColor));
    L.push_back(ColorProp("BackgroundColor", 0, "FSetBackgroundColor", &TEditMatrix::BackgroundColor,
                          &TEditMatrix::FSetBackgroundColor));
    L.push_back(TPropInfo{
        .Name = "Charset",
        .Kind = TTypeKind::Component,
        .TypeName = "TCharSet",
        .Default = std::nullopt,
        .Min = 0,
        .Max = 0,
        .EnumNames = {},
        .Getter = "Charset",
        .Setter = "FSetCharSet",
        .Get = [](const host::TComponent& C) -> TPropValue {
            return static_cast<host::TComponent*>(Matrix(C).Charset());
        },
        .Set =
            [](host::TComponent& C, const TPropValue& V) {
                host::TComponent* const* Ref = std::get_if<host::TComponent*>(&V);
                if (Ref == nullptr) {
                    throw std::invalid_argument("TEditMatrix.Charset: expected a component reference");
                }
                TCharSet* CharSet = nullptr;
                if (*Ref != nullptr) {
                    CharSet = dynamic_cast<TCharSet*>(*Ref);
                    if (CharSet == nullptr) {
                        throw std::invalid_argument("TEditMatrix.Charset: '" + (*Ref)->Name() + "' is a " +
                                                    std::string((*Ref)->ClassName()) + ", not a TCharSet");
                    }
                }
                Matrix(C).FSetCharSet(CharSet);
            },
    });
    L.push_back(ColorProp("InactiveLEDOnColor", 128, "FSetInactiveLEDOnColor", &TEditMatrix::InactiveLEDOnColor,
                          &TEditMatrix::FSetInactiveLEDOnColor));
    L.push_back(ColorProp("InactiveLEDOffColor", 0, "FSetInactiveLEDOffColor", &TEditMatrix::InactiveLEDOffColor,
                          &TEditMatrix::FSetInactiveLEDOffColor));
    L.push_back(OrdinalProp<EShape>("LEDShape", TTypeKind::Enum, "EShape", 0, 0, 1, "LEDShape", "FSetLEDShape",
                                    &TEditMatrix::LEDShape, &TEditMatrix::FSetLEDShape));
    L.push_back(ByteProp("LEDSize", 2, "FSetLEDSize", &TEditMatrix::LEDSize, &TEditMatrix::FSetLEDSize));
    L.push_back(
        ByteProp("LEDDistance", 1, "FSetLEDDistance", &TEditMatrix::LEDDistance, &TEditMatrix::FSetLEDDistance));
    L.push_back(BoolProp("StepActive", false, "StepActive", "FSetStepActive", &TEditMatrix::StepActive,
                         &TEditMatrix::FSetStepActive));
    L.push_back(ByteProp("StepToOutside", 5, "FSetStep", &TEditMatrix::StepToOutside, &TEditMatrix::FSetStep));
    L.push_back(Inherited(Base, "TabOrder"));
    L.push_back(Inherited(Base, "TabStop"));
    L.push_back(TPropInfo{
        .Name = "Text",
        .Kind = TTypeKind::String,
        .TypeName = "AnsiString",
        .Default = std::nullopt,
        .Min = 0,
        .Max = 0,
        .EnumNames = {},
        .Getter = "FReadText",
        .Setter = "FSetText",
        .Get = [](const host::TComponent& C) -> TPropValue { return Matrix(C).FReadText(); },
        .Set =
            [](host::TComponent& C, const TPropValue& V) {
                const AnsiString* S = std::get_if<AnsiString>(&V);
                if (S == nullptr) {
                    throw std::invalid_argument("TEditMatrix.Text: expected a string value");
                }
                Matrix(C).FSetText(*S);
            },
    });
    L.push_back(
        ByteProp("TotalVisible", 10, "FSetTotalVisible", &TEditMatrix::TotalVisible, &TEditMatrix::FSetTotalVisible));
    L.push_back(BoolProp("Overwrite", false, "Overwrite", "FSetOverwrite", &TEditMatrix::Overwrite,
                         &TEditMatrix::FSetOverwrite));
    return L;
}

}  // namespace

TMatrixDiagnostics TEditMatrix::Diagnostics() const {
    TMatrixDiagnostics D;
    const _Pixel* Head = FStreamHead;
    for (const _Pixel* P = Head; P != nullptr;) {
        if (P == FScrollPos) D.ScrollIndex = D.Heads;
        ++D.Heads;
        // An LED column's head has no cell above it and holds 0 or 1; a code's head holds the
        // code character.
        if (P->Up == nullptr && P->Value <= 1) ++D.LEDColumns;
        if (P == FStreamTail) break;
        P = P->Next;
        if (P == Head) break;
    }
    D.CellsAlive = FPixelPool.Alive();
    D.SlabBytes = FPixelPool.SlabBytes();
    return D;
}

const TPropList& TEditMatrix::Properties() const {
    static const TPropList List = BuildProperties(TCustomControl::Properties());
    return List;
}

}  // namespace vyr
