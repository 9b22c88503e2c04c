// Shared helpers for the tests: a shown headless form with a matrix on it, a matrix that counts
// its repaints, and LED pictures read back from a bitmap as text rows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vyr/EditMatrix.h"
#include "vyr/headless/Headless.h"
#include "vyr/host/Controls.h"

namespace vyr::test {

// A TEditMatrix that counts how often Paint runs (Qt-style repaint spy).
class TCountingMatrix : public TEditMatrix {
public:
    using TEditMatrix::TEditMatrix;
    void Paint() override {
        ++Paints;
        TEditMatrix::Paint();
    }
    int Paints = 0;
};

// A headless form, shown, with one counting matrix on it (tab order 0) and optional plain
// focusable siblings after it. The matrix has its window from the start; nothing has painted.
struct TFormWithMatrix {
    explicit TFormWithMatrix(int Siblings = 0);
    ~TFormWithMatrix();

    headless::THeadlessWidgetSet WidgetSet;
    std::unique_ptr<host::TForm> Form;
    TCountingMatrix* Matrix = nullptr;            // owned by Form
    std::vector<host::TCustomControl*> Siblings;  // owned by Form

    // The matrix's window (spy counters, screen surface).
    [[nodiscard]] headless::THeadlessPeer& Peer() const;
    // Zeroes the repaint and copy counters.
    void ResetCounters();
};

// The LED grid read back at each LED's anchor pixel (LEDSize/LEDDistance of the matrix): one
// string per LED row, one char per LED column: 'X' for On, '.' for Off, '?' for anything else.
std::vector<std::string> LedPicture(const host::TBitmap& Bitmap, const TEditMatrix& Matrix, int Columns, int Rows,
                                    TColor On, TColor Off);

// Rows of a bitmap region as text: Mapping gives the char for each colour met ('?' otherwise).
std::vector<std::string> PixelPicture(const host::TBitmap& Bitmap, int Left, int Top, int Width, int Height,
                                      const std::vector<std::pair<TColor, char>>& Mapping);

// The 5 x 7 picture of a glyph from its five column bytes ('X' lit), seven rows top first.
std::vector<std::string> GlyphPicture(const std::array<Byte, 5>& Columns);

}  // namespace vyr::test
