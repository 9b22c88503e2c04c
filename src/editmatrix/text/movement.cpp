// Cursor movement: Right, Left, Home, End, Page Up and Page Down, each with its window rule.
//
// Every move that is not stopped by its guard runs the same frame: erase the bar at the old
// slot, apply the window rule (its tests use P and F from before the move), move the cursor,
// draw the bar at the new slot, redraw the whole frame only if the window moved, copy to the
// screen. A move stopped by its guard changes nothing and draws nothing.
//
// Narrow windows: the step rules (StepActive) keep the cursor inside the window only for
// windows of two slots or more, so a one-slot window always follows the single-step rules.
// A window of no slots has no place for the cursor; its start simply follows the cursor
// (F = P, the cursor's node is the first visible node) and no bar is drawn.
#include <cassert>

#include "../host_names.h"
#include "window.h"

namespace vyr {

using text::Advance;
using text::Retreat;

void TEditMatrix::BeginMove() {
    FTotalRefresh = false;
    if (CursorBarSlot() >= 0) HideCursor();
}

// The bar at the cursor's new slot, the whole frame when the window moved or the text changed
// (TotalRefresh set; the redraw clears it), then one copy of the back buffer to the screen.
void TEditMatrix::EndMove(bool FullRedraw) {
    KeepEmptyWindowAtCursor();
    FTotalRefresh = FullRedraw;
    assert(FTotalVisible == 0 || (FFirstVisible <= FCursorPos && FCursorPos < FFirstVisible + FTotalVisible));
    if (CursorBarSlot() >= 0) ShowCursor();
    if (FTotalRefresh) TotalRedraw(false, false);
    RedrawDisplay();
}

void TEditMatrix::KeepEmptyWindowAtCursor() {
    if (FTotalVisible == 0) {
        FVisibleNode = FCursorNode;
        FFirstVisible = FCursorPos;
    }
}

void TEditMatrix::ShowStartWindow() {
    FVisibleNode = FFirstNode;
    FFirstVisible = 0;
}

void TEditMatrix::ShowEndWindow() {
    FVisibleNode = FEndNode;
    FFirstVisible = FTextLength;
    Retreat(FVisibleNode, FFirstVisible, FTotalVisible - 1);
}

void TEditMatrix::GoRight() {
    if (FCursorNode == FEndNode) return;
    BeginMove();

    const std::int32_t T = FTotalVisible;
    const std::int32_t L = FTextLength;
    const std::int32_t P = FCursorPos;
    const std::int32_t F = FFirstVisible;
    const bool StepRule = FStepActive && T >= 2 && T <= L && F != L - T + 1;
    if (StepRule) {
        const std::int32_t S = text::StepWidth(*this);
        if (P - F < T - 2) {
            // The cursor is not yet next to the last slot: the window stays.
        } else if (S < L - P - 1) {
            Advance(FVisibleNode, FFirstVisible, S);
        } else {
            ShowEndWindow();
        }
    } else if (P - F >= T - 1) {
        Advance(FVisibleNode, FFirstVisible, 1);
    }
    Advance(FCursorNode, FCursorPos, 1);

    EndMove(FFirstVisible != F);
}

void TEditMatrix::GoLeft() {
    if (FCursorPos == 0) return;
    BeginMove();

    const std::int32_t T = FTotalVisible;
    const std::int32_t P = FCursorPos;
    const std::int32_t F = FFirstVisible;
    const bool StepRule = FStepActive && T >= 2 && F != 0;
    if (StepRule) {
        const std::int32_t S = text::StepWidth(*this);
        if (P >= F + 2) {
            // The cursor is not yet next to slot 0: the window stays.
        } else if (F < S) {
            ShowStartWindow();
        } else {
            Retreat(FVisibleNode, FFirstVisible, S);
        }
    } else if (P <= F) {
        Retreat(FVisibleNode, FFirstVisible, 1);
    }
    Retreat(FCursorNode, FCursorPos, 1);

    EndMove(FFirstVisible != F);
}

void TEditMatrix::GoHome() {
    if (FCursorPos == 0) return;
    BeginMove();

    const std::int32_t F = FFirstVisible;
    ShowStartWindow();
    FCursorNode = FFirstNode;
    FCursorPos = 0;

    EndMove(FFirstVisible != F);
}

void TEditMatrix::GoEnd() {
    if (FCursorNode == FEndNode) return;
    BeginMove();

    const std::int32_t T = FTotalVisible;
    const std::int32_t L = FTextLength;
    const std::int32_t F = FFirstVisible;
    FCursorNode = FEndNode;
    FCursorPos = L;
    if (F <= L - T) {
        // The end position lies right of the window: show the end window (with no slots, the
        // end position itself).
        ShowEndWindow();
    }

    EndMove(FFirstVisible != F);
}

void TEditMatrix::GoPageUp() {
    if (FCursorNode == FFirstNode) return;
    BeginMove();

    const std::int32_t T = FTotalVisible;
    const std::int32_t P = FCursorPos;
    const std::int32_t F = FFirstVisible;
    if (P <= T) {
        FCursorNode = FFirstNode;
        FCursorPos = 0;
        if (F != 0) {
            ShowStartWindow();
        }
    } else {
        if (F < T) {
            ShowStartWindow();
        } else {
            Retreat(FVisibleNode, FFirstVisible, T);
        }
        Retreat(FCursorNode, FCursorPos, T);
    }

    EndMove(FFirstVisible != F);
}

void TEditMatrix::GoPageDown() {
    if (FCursorNode == FEndNode) return;
    BeginMove();

    const std::int32_t T = FTotalVisible;
    const std::int32_t L = FTextLength;
    const std::int32_t P = FCursorPos;
    const std::int32_t F = FFirstVisible;
    if (F > L - T) {
        // The end position is already in the window.
        FCursorNode = FEndNode;
        FCursorPos = L;
    } else if (P + T > L) {
        FCursorNode = FEndNode;
        FCursorPos = L;
        ShowEndWindow();
    } else {
        Advance(FCursorNode, FCursorPos, T);
        if (F + 2 * T - 2 <= L) {
            // The cursor keeps its slot; the window may then reach one slot past the end.
            Advance(FVisibleNode, FFirstVisible, T);
        } else {
            ShowEndWindow();
        }
    }

    EndMove(FFirstVisible != F);
}

}  // namespace vyr
