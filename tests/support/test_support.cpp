#include "support/test_support.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>

namespace vyr::test {

TFormWithMatrix::TFormWithMatrix(int SiblingCount)
    : Form(headless::MakeShownForm(WidgetSet)),
      Matrix(headless::PlaceOnForm<TCountingMatrix>(*Form)),
      Siblings(headless::AddPlainControls(*Form, SiblingCount)) {}

TFormWithMatrix::~TFormWithMatrix() = default;

headless::TCountingPeer& TFormWithMatrix::Peer() const { return *headless::TCountingPeer::Of(*Matrix); }

void TFormWithMatrix::ResetCounters() {
    Matrix->Paints = 0;
    Peer().ResetCounters();
}

::testing::AssertionResult ListIsSound(const TEditMatrix& M, std::string* Text) {
    const Node* First = M.FirstNode();
    const Node* End = M.EndNode();
    if (First == nullptr || End == nullptr) return ::testing::AssertionFailure() << "no list";
    if (First->PrevNode != nullptr) return ::testing::AssertionFailure() << "first has a predecessor";
    if (End->NextNode != nullptr) return ::testing::AssertionFailure() << "sentinel has a successor";
    if (End->Character != 0) return ::testing::AssertionFailure() << "sentinel is not 0";

    std::string Read;
    std::int32_t Index = 0;
    std::int32_t CursorIndex = -1;
    std::int32_t VisibleIndex = -1;
    const Node* Prev = nullptr;
    bool ReachedEnd = false;
    for (const Node* N = First; N != nullptr; Prev = N, N = N->NextNode, ++Index) {
        if (N->PrevNode != Prev) {
            return ::testing::AssertionFailure() << "PrevNode broken at index " << Index;
        }
        if (N == M.CursorNode()) CursorIndex = Index;
        if (N == M.VisibleNode()) VisibleIndex = Index;
        if (N == End) {
            ReachedEnd = true;
            break;
        }
        Read += static_cast<char>(N->Character);
        if (Index > M.TextLength()) return ::testing::AssertionFailure() << "list longer than L";
    }
    if (!ReachedEnd) return ::testing::AssertionFailure() << "the walk never met the sentinel";
    if (static_cast<std::int32_t>(Read.size()) != M.TextLength()) {
        return ::testing::AssertionFailure()
               << "L = " << M.TextLength() << " but " << Read.size() << " nodes before the sentinel";
    }
    if (CursorIndex != M.CursorPos()) {
        return ::testing::AssertionFailure() << "cursor node has index " << CursorIndex << ", P = " << M.CursorPos();
    }
    if (VisibleIndex != M.FirstVisible()) {
        return ::testing::AssertionFailure()
               << "visible node has index " << VisibleIndex << ", F = " << M.FirstVisible();
    }
    const int T = M.TotalVisible();
    const int P = M.CursorPos();
    const int F = M.FirstVisible();
    if (T >= 1 && !(F <= P && P <= F + T - 1)) {
        return ::testing::AssertionFailure()
               << "cursor outside the window: P = " << P << ", F = " << F << ", T = " << T;
    }
    if (T == 0 && F != P) {
        return ::testing::AssertionFailure() << "empty window does not follow: P = " << P << ", F = " << F;
    }
    if (Text != nullptr) *Text = Read;
    return ::testing::AssertionSuccess();
}

namespace {

char MarkOf(TColor Colour, const TColourMarks& Marks) {
    for (const auto& [Known, Mark] : Marks) {
        if ((Known & 0xFFFFFF) == Colour) return Mark;
    }
    return '?';
}

}  // namespace

std::vector<std::string> LedColours(const host::TBitmap& Bitmap, const TEditMatrix& Matrix, int Columns, int Rows,
                                    const TColourMarks& Marks) {
    const int S = Matrix.LEDSize();
    const int D = Matrix.LEDDistance();
    const auto Anchor = [S, D](int i) { return (S / 2) + (S % 2) - 1 + D + (S + D) * i; };
    std::vector<std::string> Picture;
    for (int r = 0; r < Rows; ++r) {
        std::string Row;
        for (int c = 0; c < Columns; ++c) Row += MarkOf(Bitmap.Pixel(Anchor(c), Anchor(r)), Marks);
        Picture.push_back(Row);
    }
    return Picture;
}

std::vector<std::string> LedColours(const TEditMatrix& Matrix, int Columns, int Rows, const TColourMarks& Marks) {
    return LedColours(*Matrix.Bitmap(), Matrix, Columns, Rows, Marks);
}

std::vector<std::string> LedPicture(const host::TBitmap& Bitmap, const TEditMatrix& Matrix, int Columns, int Rows,
                                    TColor On, TColor Off) {
    return LedColours(Bitmap, Matrix, Columns, Rows, {{On, 'X'}, {Off, '.'}});
}

std::vector<std::string> PixelPicture(const host::TBitmap& Bitmap, int Left, int Top, int Width, int Height,
                                      const TColourMarks& Marks) {
    std::vector<std::string> Picture;
    for (int y = Top; y < Top + Height; ++y) {
        std::string Row;
        for (int x = Left; x < Left + Width; ++x) Row += MarkOf(Bitmap.Pixel(x, y), Marks);
        Picture.push_back(Row);
    }
    return Picture;
}

std::vector<std::string> GlyphPicture(const std::array<Byte, 5>& Columns) {
    std::vector<std::string> Picture(GlyphRows, std::string(5, '.'));
    for (int c = 0; c < 5; ++c) {
        for (int r = 0; r < GlyphRows; ++r) {
            if ((Columns[static_cast<std::size_t>(c)] >> (GlyphRows - 1 - r)) & 1) {
                Picture[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = 'X';
            }
        }
    }
    return Picture;
}

TScratchDir::TScratchDir() {
    std::string Template = ::testing::TempDir() + "vyrtest-XXXXXX";
    if (::mkdtemp(Template.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + Template);
    FPath = Template;
}

TScratchDir::~TScratchDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
}

}  // namespace vyr::test
