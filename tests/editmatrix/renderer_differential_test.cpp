// The fast renderer against the literal one: two matrices side by side, one drawing every LED
// through the primitives in the order of the frame operations, the other with the fast
// renderer, are fed the same operations; after every operation their back buffers, their
// window surfaces, their repaint, copy and fill counts and their marquee state must be equal.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "editmatrix/RandomOps.h"
#include "support/test_support.h"

namespace vyr::test {
namespace {

class TRendererMatrix : public TMatrixProbe {
public:
    using TEditMatrix::LiteralRenderer;
    using TEditMatrix::UseLiteralRenderer;
    using TMatrixProbe::TMatrixProbe;
    void Paint() override {
        ++Paints;
        TEditMatrix::Paint();
    }
    int Paints = 0;
};

// A shown headless form with one matrix, drawn by the renderer given.
struct TSide {
    explicit TSide(bool Literal) {
        Form = std::make_unique<host::TForm>(nullptr, WidgetSet);
        Form->SetWidth(800);
        Form->SetHeight(600);
        Form->Show();
        Matrix = new TRendererMatrix(Form.get());
        Matrix->UseLiteralRenderer(Literal);
        Matrix->SetParent(Form.get());
    }
    [[nodiscard]] headless::THeadlessPeer& Peer() const { return *headless::THeadlessWidgetSet::PeerOf(*Matrix); }

    headless::THeadlessWidgetSet WidgetSet;
    std::unique_ptr<host::TForm> Form;
    TRendererMatrix* Matrix = nullptr;  // owned by Form
};

// Empty when the pixels are equal, else where they first differ.
std::string CompareBitmaps(const host::TBitmap& Literal, const host::TBitmap& Fast) {
    if (Literal.Width() != Fast.Width() || Literal.Height() != Fast.Height()) {
        return "size " + std::to_string(Literal.Width()) + "x" + std::to_string(Literal.Height()) + " vs " +
               std::to_string(Fast.Width()) + "x" + std::to_string(Fast.Height());
    }
    const auto Bytes = static_cast<std::size_t>(3 * Literal.Width());
    if (Bytes == 0) return {};
    for (int y = 0; y < Literal.Height(); ++y) {
        if (std::memcmp(Literal.ScanLine(y), Fast.ScanLine(y), Bytes) == 0) continue;
        for (int x = 0; x < Literal.Width(); ++x) {
            if (Literal.Pixel(x, y) != Fast.Pixel(x, y)) {
                std::ostringstream Out;
                Out << "pixel (" << x << ", " << y << "): literal " << std::hex << Literal.Pixel(x, y) << ", fast "
                    << Fast.Pixel(x, y);
                return Out.str();
            }
        }
    }
    return {};
}

int HeadIndex(const TEditMatrix& M) {
    int Index = 0;
    for (const _Pixel* Head = M.StreamHead(); Head != nullptr; Head = Head->Next, ++Index) {
        if (Head == M.ScrollPos()) return Index;
    }
    return -1;
}

// Runs the program on both sides, comparing after every operation; stops at the first
// difference, naming the operations up to it.
void RunSideBySide(const TMatrixProgram& Program) {
    TSide Literal(true);
    TSide Fast(false);
    ASSERT_TRUE(Literal.Matrix->LiteralRenderer());
    ASSERT_FALSE(Fast.Matrix->LiteralRenderer());
    // Both renderers draw on the first paint, as a form being shown would.
    Literal.Matrix->Paint();
    Fast.Matrix->Paint();
    std::string Trail;
    for (std::size_t i = 0; i < Program.size(); ++i) {
        Program[i].Run(*Literal.Matrix);
        Program[i].Run(*Fast.Matrix);
        Trail += "\n  " + std::to_string(i) + ": " + Program[i].Name;
        const TRendererMatrix& L = *Literal.Matrix;
        const TRendererMatrix& F = *Fast.Matrix;
        const std::string Buffer = CompareBitmaps(*L.Bitmap(), *F.Bitmap());
        ASSERT_EQ(Buffer, "") << "back buffer after" << Trail;
        const std::string Screen = CompareBitmaps(Literal.Peer().Surface(), Fast.Peer().Surface());
        ASSERT_EQ(Screen, "") << "window after" << Trail;
        ASSERT_EQ(L.Paints, F.Paints) << Trail;
        ASSERT_EQ(Literal.Peer().CopyCount(), Fast.Peer().CopyCount()) << Trail;
        ASSERT_EQ(Literal.Peer().FillCount(), Fast.Peer().FillCount()) << Trail;
        ASSERT_EQ(HeadIndex(L), HeadIndex(F)) << Trail;
        ASSERT_EQ(L.ScrollOnColor(), F.ScrollOnColor()) << Trail;
        ASSERT_EQ(L.ScrollOffColor(), F.ScrollOffColor()) << Trail;
        ASSERT_EQ(L.ScrollBlinkOffColor(), F.ScrollBlinkOffColor()) << Trail;
        ASSERT_EQ(L.Blinking(), F.Blinking()) << Trail;
        ASSERT_EQ(L.ScrollHalted(), F.ScrollHalted()) << Trail;
        ASSERT_EQ(L.TotalRefresh(), F.TotalRefresh()) << Trail;
        ASSERT_EQ(L.MiniRefresh(), F.MiniRefresh()) << Trail;
    }
}

class RendererDifferential : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(RendererDifferential, FastFramesEqualLiteralFramesAfterEveryOperation) {
    TRandomOps Generator(GetParam());
    RunSideBySide(Generator.Program(160));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RendererDifferential, ::testing::Range<std::uint32_t>(1, 41));

// Programs written out for the rules the random ones reach only by chance.
TMatrixOp Op(std::string Name, std::function<void(TEditMatrix&)> Run) { return {std::move(Name), std::move(Run)}; }

TEST(RendererDifferentialCases, LetterCodesThatChangeTheGeometryInTheMiddleOfAFrame) {
    TMatrixProgram P = {
        Op("Text", [](TEditMatrix& M) { M.FSetText("ab@L000005cd@S000001ef@I000003gh@0010000ij@2FF00FFkl"); }),
        Op("Scroll", [](TEditMatrix& M) { M.FSetScroll(true); })};
    for (int i = 0; i < 60; ++i) {
        P.push_back(Op("step", [](TEditMatrix& M) { M.TryToScrollOnce(); }));
        if (i % 7 == 0) P.push_back(Op("blink", [](TEditMatrix& M) { M.TryToBlink(); }));
    }
    RunSideBySide(P);
}

TEST(RendererDifferentialCases, AScrollFrameCalledInEditModeWithALetterCodeKeepsTheNestedStaticFrame) {
    RunSideBySide({Op("Text", [](TEditMatrix& M) { M.FSetText("x@C00FF00yz"); }),
                   Op("mini", [](TEditMatrix& M) { M.SetMiniRefresh(); }),
                   Op("scroll frame", [](TEditMatrix& M) { Probe(M).TotalScrollRedraw(false, false); })});
}

TEST(RendererDifferentialCases, EveryLEDSizeAndSpacingOfBothShapes) {
    TMatrixProgram P = {Op("Text", [](TEditMatrix& M) { M.FSetText("Ag@0010000W"); }),
                        Op("TotalVisible", [](TEditMatrix& M) { M.FSetTotalVisible(3); })};
    for (const int Size : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 15, 16, 21}) {
        for (const int Distance : {0, 1, 2, 5}) {
            for (const bool Round : {false, true}) {
                P.push_back(
                    Op("shape", [Round](TEditMatrix& M) { M.FSetLEDShape(Round ? EShape::Circle : EShape::Square); }));
                P.push_back(Op("size " + std::to_string(Size),
                               [Size](TEditMatrix& M) { M.FSetLEDSize(static_cast<Byte>(Size)); }));
                P.push_back(Op("distance " + std::to_string(Distance),
                               [Distance](TEditMatrix& M) { M.FSetLEDDistance(static_cast<Byte>(Distance)); }));
                P.push_back(Op("left", [](TEditMatrix& M) { host::SendKeyDown(M, 37, 0); }));
                P.push_back(Op("scribble then redraw without clearing", [](TEditMatrix& M) {
                    auto& B = const_cast<host::TBitmap&>(*M.Bitmap());
                    B.Canvas().Brush.Color = 0x123456;
                    B.Canvas().FillRect(host::Rect(0, 0, B.Width(), B.Height()));
                    Probe(M).TotalRedraw(false, false);
                }));
                P.push_back(Op("scroll on", [](TEditMatrix& M) { M.FSetScroll(true); }));
                P.push_back(Op("step", [](TEditMatrix& M) { M.TryToScrollOnce(); }));
                P.push_back(Op("scroll off", [](TEditMatrix& M) { M.FSetScroll(false); }));
            }
        }
    }
    RunSideBySide(P);
}

// 255 cells of 255-pixel LEDs 255 apart: the host caps the width at 8192, and both shapes are
// clipped at the buffer's right edge.
TEST(RendererDifferentialCases, TheLargestGridClippedByTheHost) {
    RunSideBySide({Op("Text", [](TEditMatrix& M) { M.FSetText("W@2FFFF00i"); }),
                   Op("TotalVisible", [](TEditMatrix& M) { M.FSetTotalVisible(255); }),
                   Op("LEDSize", [](TEditMatrix& M) { M.FSetLEDSize(255); }),
                   Op("LEDDistance", [](TEditMatrix& M) { M.FSetLEDDistance(255); }),
                   Op("Home", [](TEditMatrix& M) { host::SendKeyDown(M, 36, 0); }),
                   Op("Circle", [](TEditMatrix& M) { M.FSetLEDShape(EShape::Circle); }),
                   Op("Scroll", [](TEditMatrix& M) { M.FSetScroll(true); }),
                   Op("step", [](TEditMatrix& M) { M.TryToScrollOnce(); })});
}

}  // namespace
}  // namespace vyr::test
