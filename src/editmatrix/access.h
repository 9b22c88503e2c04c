// The protected steps of TEditMatrix that helpers of its implementation outside the class call:
// the cursor bar and the static frame (text operations, glyph edits), and the stream's cell
// allocation (the column builder). Internal to src/editmatrix; GUI thread only.
#pragma once

#include "vyr/EditMatrix.h"

namespace vyr::detail {

struct TMatrixAccess {
    static void HideCursor(TEditMatrix& M) { M.HideCursor(); }
    static void ShowCursor(TEditMatrix& M) { M.ShowCursor(); }
    static void TotalRedraw(TEditMatrix& M, bool Resize, bool Clear) { M.TotalRedraw(Resize, Clear); }
    static _Pixel* CreatePixelP(TEditMatrix& M, Byte Value) { return M.CreatePixelP(Value); }
    static void DeletePixelP(TEditMatrix& M, _Pixel* Cell) { M.DeletePixelP(Cell); }
};

}  // namespace vyr::detail
