// Typing, Delete and Backspace at the cursor, with the window rules that keep the cursor inside
// the window.
//
// Narrow windows: the step rules (StepActive) keep the cursor inside the window only for windows
// of three slots or more (a jump to the end window can pass the cursor in a two-slot window), so
// narrower windows always follow the single-step rules. A window of no slots has no place for
// the cursor; its start simply follows the cursor (F = P) and no bar is drawn.
//
// Scroll mode: the text and the positions change exactly as in edit mode; no bar is drawn and
// the full redraw draws the static frame without it. The column stream is not rebuilt.
#include "../host_names.h"
#include "window.h"

namespace vyr {

using text::Advance;
using text::Retreat;

void TEditMatrix::InsertChar(Byte Character) {
    BeginMove();

    const std::int32_t T = FTotalVisible;
    // The rule is chosen before the text changes: typing at the end of the text always scrolls
    // one character at a time.
    const bool AtEnd = FCursorNode == FEndNode;
    const bool StepRule = !AtEnd && FStepActive && T >= 3;

    const bool Changes = AtEnd || !FOverwrite || FCursorNode->Character != Character;
    if (AtEnd || !FOverwrite) {
        InsertElement(Character);
    } else {
        FCursorNode->Character = Character;
        Advance(FCursorNode, FCursorPos, 1);
    }

    const std::int32_t L = FTextLength;
    const std::int32_t P = FCursorPos;
    const std::int32_t F = FFirstVisible;
    if (StepRule) {
        // The cursor is in the last slot or just past it.
        if (P - F >= T - 1 && T <= L) {
            const std::int32_t S = text::StepWidth(*this);
            if (S < L - P - 1) {
                Advance(FVisibleNode, FFirstVisible, S);
            } else {
                ShowEndWindow();
            }
        }
    } else if (T > 0 && P - F >= T) {
        // The cursor has just left the last slot.
        Advance(FVisibleNode, FFirstVisible, 1);
    }

    EndMove(true);
    if (Changes) Changed("Text");
}

void TEditMatrix::DeleteChar() {
    if (FCursorNode == FEndNode) return;

    const std::int32_t T = FTotalVisible;
    const std::int32_t L = FTextLength;
    Node* const Doomed = FCursorNode;
    if (T >= 1 && T <= L && FFirstVisible == L - T + 1) {
        // The end window: move it one left so that it is the end window of the shorter text.
        Retreat(FVisibleNode, FFirstVisible, 1);
    } else if (FVisibleNode == Doomed) {
        // The cursor is in slot 0: its successor takes over the window's first index.
        FVisibleNode = Doomed->NextNode;
    }
    // Step onto the successor and remove the node behind it: the cursor keeps its index.
    Advance(FCursorNode, FCursorPos, 1);
    RemoveElement(Doomed);

    KeepEmptyWindowAtCursor();
    TotalRedraw(false, false);
    RedrawDisplay();
    Changed("Text");
}

void TEditMatrix::BackSpaceChar() {
    if (FCursorPos == 0) return;
    BeginMove();

    const std::int32_t T = FTotalVisible;
    const std::int32_t L = FTextLength;
    const std::int32_t P = FCursorPos;
    Node* const Doomed = FCursorNode->PrevNode;
    bool FullRedraw = true;

    if (T > L) {
        // The text is shorter than the window: show it from the start.
        RemoveElement(Doomed);
        ShowStartWindow();
    } else if (FStepActive && T >= 3) {
        const std::int32_t S = text::StepWidth(*this);
        const std::int32_t F = FFirstVisible;
        if (P >= F + 2) {
            // The window stays (an end window then reaches one slot past the end).
        } else if (F < S) {
            ShowStartWindow();
        } else {
            Retreat(FVisibleNode, FFirstVisible, S);
        }
        const bool RemovesFirstVisible = Doomed == FVisibleNode;
        RemoveElement(Doomed);
        if (RemovesFirstVisible) FVisibleNode = FCursorNode;
    } else {
        const std::int32_t F = FFirstVisible;
        if (F == L - T + 1 && FCursorNode != FVisibleNode) {
            Retreat(FVisibleNode, FFirstVisible, 1);
        } else if (Doomed == FVisibleNode) {
            // Cursor in slot 1: after the removal the cursor's node has index F.
            FVisibleNode = FCursorNode;
        } else if (FCursorNode == FVisibleNode) {
            // Cursor in slot 0: the removed node lies left of the window, which keeps showing
            // the same nodes, now one index lower. Only the bar is redrawn.
            --FFirstVisible;
            FullRedraw = false;
        }
        RemoveElement(Doomed);
    }

    EndMove(FullRedraw);
    Changed("Text");
}

}  // namespace vyr
