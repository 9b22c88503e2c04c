// Construction, destruction, the frame variant Paint picks from the refresh flags, and the
// Charset reference.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "fixtures.h"
#include "vyr/CharSet.h"

namespace vyr::test {
namespace {

TEST(MatrixLifecycle, NewControlHasItsDefaultsAndTheFirstPaintPending) {
    TFormWithMatrix F;
    const TEditMatrix& M = *F.Matrix;
    EXPECT_EQ(M.Width(), 181);
    EXPECT_EQ(M.Height(), 28);
    EXPECT_EQ(M.Bitmap()->Width(), 181);
    EXPECT_EQ(M.Bitmap()->Height(), 28);
    EXPECT_EQ(M.StepToOutside(), 5);
    EXPECT_EQ(M.TotalVisible(), 10);
    EXPECT_EQ(M.OnColor(), 255U);
    EXPECT_EQ(M.OffColor(), 64U);
    EXPECT_EQ(M.ScrollOnColor(), 255U);
    EXPECT_EQ(M.ScrollBlinkOffColor(), 64U);
    EXPECT_TRUE(M.TabStop());
    EXPECT_TRUE(M.TotalRefresh() && M.GeometryChanged());
    EXPECT_FALSE(M.MiniRefresh() || M.Creating());
    EXPECT_FALSE(M.DelayTimer()->Started() || M.BlinkTimer()->Started());
    const host::TControlStyle Added = host::csAcceptsControls | host::csClickEvents | host::csFramed |
                                      host::csSetCaption | host::csDoubleClicks | host::csFixedHeight;
    EXPECT_EQ(M.ControlStyle() & (Added | host::csOpaque), Added);
    EXPECT_EQ(F.Matrix->Paints + F.Peer().CopyCount() + F.Peer().FillCount(), 0);  // nothing drawn yet
}

// The workers are joined before the list, the stream and the bitmap go, so a step still queued
// for the GUI thread can never reach the freed control.
TEST(MatrixLifecycle, DestroyingWhileTheMarqueeRunsStopsTheWorkersFirst) {
    TFormWithMatrix F;
    F.Matrix->FSetDelay(0);
    F.Matrix->FSetBlinkDelay(0);
    F.Matrix->FSetText("Run");
    F.Matrix->FSetScroll(true);
    for (int i = 0; i < 5; ++i) host::CheckSynchronize(std::chrono::milliseconds(20));
    delete F.Matrix;
    host::CheckSynchronize();
    EXPECT_EQ(host::PendingSynchronizeCount(), 0U);
}

struct TPaintRow {
    const char* Name;
    std::function<void(TEditMatrix&)> Setup, Act;
    bool Resizes, Clears, GeometryAfter;
};
void PrintTo(const TPaintRow& Row, std::ostream* Os) { *Os << Row.Name; }
void PaintOnce(TEditMatrix& M) { M.Paint(); }

class MatrixPaint : public ::testing::TestWithParam<TPaintRow> {};

TEST_P(MatrixPaint, PicksTheFrameVariantByTheFlagsAndCopiesOnce) {
    const TPaintRow& Row = GetParam();
    TFormWithMatrix F;
    TEditMatrix& M = *F.Matrix;
    Row.Setup(M);
    M.SetWidth(50);                          // only a recomputation of the size restores 181
    MutableBitmap(M).ScanLine(0)[0] = 0x77;  // a margin pixel: only a clear repaints it
    F.ResetCounters();
    Row.Act(M);
    EXPECT_EQ(M.Width() == 181, Row.Resizes);
    EXPECT_EQ(M.Bitmap()->ScanLine(0)[0] != 0x77, Row.Clears);
    EXPECT_EQ(F.Peer().FillCount() > 0, Row.Clears);
    EXPECT_EQ(M.GeometryChanged(), Row.GeometryAfter);
    EXPECT_FALSE(M.TotalRefresh());
    EXPECT_EQ(F.Peer().CopyCount(), 1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Flags, MatrixPaint,
    ::testing::Values(
        TPaintRow{"FirstPaint", [](TEditMatrix&) {}, PaintOnce, true, true, false},
        TPaintRow{"MiniWinsOverTotalAndGeometry", [](TEditMatrix& M) { M.SetMiniRefresh(); }, PaintOnce, false, false,
                  true},
        TPaintRow{"TotalWithoutGeometry",
                  [](TEditMatrix& M) {
                      M.Paint();
                      M.SetTotalRefresh();
                  },
                  PaintOnce, false, true, false},
        TPaintRow{"HostRepaint", PaintOnce, PaintOnce, false, true, false},
        TPaintRow{"HostRepaintAfterWorkerSteps",
                  [](TEditMatrix& M) {
                      M.Paint();
                      M.SetMiniRefresh();
                  },
                  PaintOnce, false, false, false},
        TPaintRow{"GeometrySetter", PaintOnce, [](TEditMatrix& M) { M.FSetTotalVisible(10); }, true, true, false},
        TPaintRow{"ScrollStep",
                  [](TEditMatrix& M) {
                      M.FSetScroll(true);
                      M.SetTotalRefresh();
                      M.SetMiniRefresh();
                  },
                  PaintOnce, false, false, true},
        TPaintRow{"ScrollSetterResizesWhateverTheGeometryFlag", [](TEditMatrix& M) { M.FSetScroll(true); },
                  [](TEditMatrix& M) { M.FSetBackgroundColor(0); }, true, true, true}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(MatrixLifecycle, WithoutAWindowPaintComposesTheBackBufferOnly) {
    TEditMatrix M(nullptr);
    M.FSetText("A");
    EXPECT_EQ(M.Bitmap()->Pixel(4, 1), 255U);  // LED (1, 0) of "A", lit
    EXPECT_EQ(M.Bitmap()->Pixel(1, 1), 64U);   // LED (0, 0), unlit
    EXPECT_FALSE(M.TotalRefresh() || M.GeometryChanged());
}

TEST(MatrixCharset, ReferenceIsClearedWithoutRepaintWhenItsCharSetGoes) {
    TFormWithMatrix F;
    auto Old = std::make_unique<TCharSet>(nullptr);
    auto Current = std::make_unique<TCharSet>(nullptr);
    F.Matrix->FSetCharSet(Old.get());
    F.Matrix->FSetCharSet(Current.get());
    Old.reset();
    EXPECT_EQ(F.Matrix->Charset(), Current.get());
    F.ResetCounters();
    Current.reset();
    EXPECT_EQ(F.Matrix->Charset(), nullptr);
    EXPECT_EQ(F.Matrix->Paints, 0);
    auto Survivor = std::make_unique<TCharSet>(nullptr);
    F.Matrix->FSetCharSet(Survivor.get());
    delete F.Matrix;
    Survivor.reset();  // must not notify the freed matrix
}

}  // namespace
}  // namespace vyr::test
