// Helpers shared by the matrix tests: writable access to the back buffer, distinct frame
// colours, and the list invariants.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/test_support.h"

namespace vyr::test {

// The back buffer, writable, so a test can paint a marker and see whether a frame covers it.
inline host::TBitmap& MutableBitmap(const TEditMatrix& M) { return const_cast<host::TBitmap&>(*M.Bitmap()); }
inline void FillBitmap(const TEditMatrix& M, TColor Color) {
    host::TBitmap& B = MutableBitmap(M);
    B.Canvas().Brush.Color = Color;
    B.Canvas().FillRect(host::Rect(0, 0, B.Width(), B.Height()));
}

inline constexpr TColor Marker = 0x123456, Lit = 0x00FF00, Unlit = 0x0000A0, Back = 0x505050;
inline void UseTestColours(TEditMatrix& M) {
    M.FSetActiveLEDOnColor(Lit);
    M.FSetActiveLEDOffColor(Unlit);
    M.FSetBackgroundColor(Back);
}
inline const std::vector<std::pair<TColor, char>> FrameMarks = {{Lit, 'X'}, {Unlit, 'o'}, {Back, '.'}};

// Links, sentinel, counts and both positions; the cursor inside a window of max(T, 1) cells.
inline ::testing::AssertionResult ListHolds(const TEditMatrix& M) {
    std::int32_t Index = 0, Cursor = -1, Visible = -1;
    const Node* Prev = nullptr;
    const Node* N = M.FirstNode();
    for (; N != nullptr && Index <= M.TextLength(); Prev = N, N = N->NextNode, ++Index) {
        if (N->PrevNode != Prev) return ::testing::AssertionFailure() << "PrevNode broken at " << Index;
        if (N == M.CursorNode()) Cursor = Index;
        if (N == M.VisibleNode()) Visible = Index;
        if (N == M.EndNode()) break;
    }
    if (N != M.EndNode() || Index != M.TextLength() || N->NextNode != nullptr || N->Character != 0)
        return ::testing::AssertionFailure() << "no sentinel after TextLength nodes";
    if (Cursor != M.CursorPos() || Visible != M.FirstVisible())
        return ::testing::AssertionFailure() << "positions: node indices " << Cursor << "/" << Visible;
    const int Cells = M.TotalVisible() == 0 ? 1 : M.TotalVisible();
    if (M.FirstVisible() > M.CursorPos() || M.CursorPos() >= M.FirstVisible() + Cells)
        return ::testing::AssertionFailure() << "cursor outside the window";
    return ::testing::AssertionSuccess();
}

}  // namespace vyr::test
