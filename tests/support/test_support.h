// Shared helpers for the tests: a shown headless form with a matrix on it, a matrix that counts
// its repaints, the character list's invariants, LED pictures read back from a bitmap as text
// rows, and a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editmatrix/access.h"
#include "host/headless/CountingPeer.h"
#include "vyr/EditMatrix.h"
#include "vyr/headless/Headless.h"
#include "vyr/host/Controls.h"

namespace vyr::test {

using host::AnsiString;
using host::Byte;
using host::TColor;
using host::TShiftState;
using host::Word;

// A TEditMatrix whose private steps are open, so that a test can set up a state or check one
// step alone. Programs and tools see only TEditMatrix's public operations.
class TMatrixProbe : public detail::TMatrixAccess::TOpenMatrix {
public:
    using TOpenMatrix::TOpenMatrix;
};

// A TEditMatrix that counts how often Paint runs (Qt-style repaint spy), with the protected
// steps open as in TMatrixProbe.
class TCountingMatrix : public TMatrixProbe {
public:
    using TMatrixProbe::TMatrixProbe;
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

    headless::TCountingWidgetSet WidgetSet;
    std::unique_ptr<host::TForm> Form;
    TCountingMatrix* Matrix = nullptr;            // owned by Form
    std::vector<host::TCustomControl*> Siblings;  // owned by Form

    // The matrix's window (spy counters, screen surface).
    [[nodiscard]] headless::TCountingPeer& Peer() const;
    // Zeroes the repaint and copy counters.
    void ResetCounters();
};

// The four list invariants (links, sentinel, length, both positions; the cursor inside the
// window, or F = P for a window of no slots), checked by walking the list from its first node
// and never further than TextLength nodes past it. Returns the text read off the nodes
// (sentinel excluded) through Text.
::testing::AssertionResult ListIsSound(const TEditMatrix& M, std::string* Text = nullptr);

// Colours and the marks they are shown as in a picture; a colour not listed shows as '?'. Only
// the low 24 bits of a colour count.
using TColourMarks = std::vector<std::pair<TColor, char>>;

// The LED grid read back at each LED's anchor pixel (s div 2 + s mod 2 - 1 + d + (s + d) i, for
// the matrix's LEDSize s and LEDDistance d): one string per LED row, one mark per LED column.
std::vector<std::string> LedColours(const host::TBitmap& Bitmap, const TEditMatrix& Matrix, int Columns, int Rows,
                                    const TColourMarks& Marks);
// The same, read from the matrix's back buffer.
std::vector<std::string> LedColours(const TEditMatrix& Matrix, int Columns, int Rows, const TColourMarks& Marks);
// LedColours with 'X' for On and '.' for Off.
std::vector<std::string> LedPicture(const host::TBitmap& Bitmap, const TEditMatrix& Matrix, int Columns, int Rows,
                                    TColor On, TColor Off);

// Rows of a bitmap region as text, each pixel shown by its mark.
std::vector<std::string> PixelPicture(const host::TBitmap& Bitmap, int Left, int Top, int Width, int Height,
                                      const TColourMarks& Marks);

// The 5 x 7 picture of a glyph from its five column bytes ('X' lit), seven rows top first.
std::vector<std::string> GlyphPicture(const std::array<Byte, 5>& Columns);

// A fresh folder under the test temporary folder, removed with everything in it at the end.
class TScratchDir {
public:
    TScratchDir();
    ~TScratchDir();
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;
    [[nodiscard]] const std::filesystem::path& Path() const { return FPath; }
    // The path of a file named Name in the folder.
    [[nodiscard]] std::string File(const std::string& Name) const { return (FPath / Name).string(); }

private:
    std::filesystem::path FPath;
};

}  // namespace vyr::test
