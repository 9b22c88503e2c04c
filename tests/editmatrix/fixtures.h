// Helpers shared by the matrix tests: writable access to the back buffer and distinct frame
// colours.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/test_support.h"

namespace vyr::test {

// The back buffer, writable, so a test can paint a marker and see whether a frame covers it.
inline host::TBitmap& MutableBitmap(const TEditMatrix& M) {
    return detail::TMatrixAccess::WritableBackBuffer(const_cast<TEditMatrix&>(M));
}
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

}  // namespace vyr::test
