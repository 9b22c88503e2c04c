// TEditMatrix shell: construction and destruction, the refresh flags and Paint, and the published
// property setters.
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

namespace {

// Round LEDs are drawn as discs around a centre pixel, so their size is odd and at least 3.
Byte RoundLEDSize(Byte Size) {
    if (Size < 3) return 3;
    return Size % 2 == 0 ? static_cast<Byte>(Size - 1) : Size;
}

}  // namespace

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
    if (Value == EShape::Circle) FLEDSize = RoundLEDSize(FLEDSize);
    if (Value != FLEDShape) {
        FLEDShape = Value;
        GeometryRefresh();
        Changed("LEDShape");
    }
    if (FLEDSize != OldSize) Changed("LEDSize");
}

void TEditMatrix::FSetLEDSize(Byte Value) {
    if (FLEDShape == EShape::Circle) {
        Value = RoundLEDSize(Value);
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

TMatrixDiagnostics TEditMatrix::Diagnostics() const {
    TMatrixDiagnostics D;
    const _Pixel* Head = FStreamHead;
    for (const _Pixel* P = Head; P != nullptr;) {
        if (P == FScrollPos) D.ScrollIndex = D.Heads;
        ++D.Heads;
        // An LED column's head has no cell above it and holds 0 or 1; a code's head holds the
        // code character.
        if (P->Up == 0 && P->Value <= 1) ++D.LEDColumns;
        if (P == FStreamTail) break;
        P = FPixelPool.At(P->Next);
        if (P == Head) break;
    }
    D.CellsAlive = FPixelPool.Alive();
    D.SlabBytes = FPixelPool.SlabBytes();
    return D;
}

}  // namespace vyr
