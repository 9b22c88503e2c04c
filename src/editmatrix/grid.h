// The LED grid's fixed sizes, named once for the implementation: a glyph is GlyphRows x
// GlyphColumns LEDs, a character cell adds one dark gap column, and the static frame of edit mode
// has two rows below the glyph rows: a dark one and the cursor row.
#pragma once

#include "vyr/EditMatrix.h"

namespace vyr {

inline constexpr int GlyphColumns = 5;
inline constexpr int CellColumns = GlyphColumns + 1;
inline constexpr int EditRows = GlyphRows + 2;
inline constexpr int CursorRow = EditRows - 1;
// The bit of a glyph column byte that holds LED row Row (bit 6 the top row).
inline constexpr int GlyphBit(int Row) { return GlyphRows - 1 - Row; }

}  // namespace vyr
