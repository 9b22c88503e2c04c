#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <utility>

#include "vyr/host/Graphics.h"

using namespace vyr::host;

TEST(Bitmap, RowsArePaddedToFourBytes) {
    TBitmap B;
    for (const auto& [Width, Stride] : {std::pair{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {181, 544}}) {
        B.SetSize(Width, 2);
        EXPECT_EQ(B.RowStride(), static_cast<std::size_t>(Stride)) << "width " << Width;
        EXPECT_EQ(B.ScanLine(1) - B.ScanLine(0), Stride);
    }
}

TEST(Bitmap, FillWritesBlueGreenRedBytesAndClips) {
    TBitmap B;
    B.SetSize(4, 3);
    B.Canvas().Brush.Color = 0x00FF8001;  // blue FF, green 80, red 01
    B.Canvas().FillRect(Rect(-5, 1, 2, 99));
    const std::uint8_t* Row = B.ScanLine(1);
    EXPECT_EQ(Row[0], 0xFF);
    EXPECT_EQ(Row[1], 0x80);
    EXPECT_EQ(Row[2], 0x01);
    EXPECT_EQ(B.Pixel(1, 2), 0x00FF8001U);
    EXPECT_EQ(B.Pixel(2, 1), 0U);
    EXPECT_EQ(B.Pixel(0, 0), 0U);
}

TEST(Bitmap, TopByteOfAColourIsIgnored) {
    TBitmap B;
    B.SetSize(1, 1);
    B.Canvas().Brush.Color = 0xFF0000FF;
    B.Canvas().FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(B.Pixel(0, 0), 0x0000FFU);
}

TEST(Bitmap, ResizeKeepsPixelsThatStayInsideAndBlackensNewOnes) {
    TBitmap B;
    B.SetSize(2, 2);
    B.Canvas().Brush.Color = 0x123456;
    B.Canvas().FillRect(Rect(0, 0, 2, 2));
    B.SetWidth(3);
    B.SetHeight(1);
    EXPECT_EQ(B.Pixel(1, 0), 0x123456U);
    EXPECT_EQ(B.Pixel(2, 0), 0U);
}

// Grey fills (equal bytes) and whole-row copies take shortcuts; padding stays untouched and the
// pixels are those of the general case, with and without padding between the rows.
TEST(Bitmap, GreyFillsAndWholeRowCopiesKeepThePaddingAndThePixels) {
    for (const int Width : {4, 5}) {  // 12 bytes a row without padding; 15 + 1 with
        SCOPED_TRACE("width " + std::to_string(Width));
        TBitmap B;
        B.SetSize(Width, 3);
        if (B.RowStride() > 3U * static_cast<unsigned>(Width)) {
            for (int y = 0; y < 3; ++y) B.ScanLine(y)[3 * Width] = 0x5A;
        }
        B.Canvas().Brush.Color = 0x505050;
        B.Canvas().FillRect(Rect(0, 0, Width, 3));
        EXPECT_EQ(B.Pixel(0, 0), 0x505050U);
        EXPECT_EQ(B.Pixel(Width - 1, 2), 0x505050U);
        B.Canvas().Brush.Color = 0xFFFFFF;
        B.Canvas().FillRect(Rect(1, 1, 2, 2));
        EXPECT_EQ(B.Pixel(1, 1), 0xFFFFFFU);
        EXPECT_EQ(B.Pixel(2, 1), 0x505050U);
        EXPECT_EQ(B.Pixel(1, 2), 0x505050U);
        TBitmap Copy;
        Copy.SetSize(Width, 3);
        if (Copy.RowStride() > 3U * static_cast<unsigned>(Width)) {
            for (int y = 0; y < 3; ++y) Copy.ScanLine(y)[3 * Width] = 0xA5;
        }
        Copy.Canvas().Draw(0, 0, B);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < Width; ++x) EXPECT_EQ(Copy.Pixel(x, y), B.Pixel(x, y));
            if (B.RowStride() > 3U * static_cast<unsigned>(Width)) {
                EXPECT_EQ(B.ScanLine(y)[3 * Width], 0x5A);
                EXPECT_EQ(Copy.ScanLine(y)[3 * Width], 0xA5);
            }
        }
    }
}

// A bitmap with no columns has no bytes; growing it again keeps nothing and copies nothing.
TEST(Bitmap, GrowingFromNoWidthGivesBlackPixels) {
    TBitmap B;
    B.SetSize(0, 4);
    B.SetSize(3, 4);
    EXPECT_EQ(B.Pixel(2, 3), 0U);
    B.SetSize(3, 0);
    B.SetSize(3, 2);
    EXPECT_EQ(B.Pixel(0, 1), 0U);
}

TEST(Bitmap, SizeIsClampedToTheHostLimit) {
    TBitmap B;
    B.SetSize(780555, -3);
    EXPECT_EQ(B.Width(), MaxExtent);
    EXPECT_EQ(B.Height(), 0);
    B.SetHeight(4845);
    EXPECT_EQ(B.Height(), 4845);
}

TEST(Bitmap, DrawCopiesWithClipping) {
    TBitmap Source;
    Source.SetSize(2, 2);
    Source.Canvas().Brush.Color = 0xABCDEF;
    Source.Canvas().FillRect(Rect(0, 0, 2, 2));
    TBitmap Target;
    Target.SetSize(3, 3);
    Target.Canvas().Draw(2, -1, Source);
    EXPECT_EQ(Target.Pixel(2, 0), 0xABCDEFU);
    EXPECT_EQ(Target.Pixel(1, 0), 0U);
    EXPECT_EQ(Target.Pixel(2, 1), 0U);
}

// Whatever can write the pixels gives the next stamp a number never seen before; reads, a resize
// to the same size and a fill that misses the bitmap keep it. A copy that trusted an unchanged
// stamp after a write would show stale pixels.
TEST(Bitmap, StampAndChangeNoteChangeWithEveryWayOfWritingAndOnlyThen) {
    TBitmap Other;
    Other.SetSize(2, 2);
    struct TStep {
        const char* Name;
        bool Writes;
        std::function<void(TBitmap&)> Run;
    };
    const TStep Steps[] = {
        {"const row", false, [](TBitmap& B) { (void)std::as_const(B).ScanLine(1); }},
        {"pixel read", false, [](TBitmap& B) { (void)B.Pixel(1, 1); }},
        {"same size", false, [](TBitmap& B) { B.SetSize(B.Width(), B.Height()); }},
        {"fill outside", false, [](TBitmap& B) { B.Canvas().FillRect(Rect(10, 10, 11, 11)); }},
        {"row for writing", true, [](TBitmap& B) { B.ScanLine(0)[0] = 1; }},
        {"fill", true, [](TBitmap& B) { B.Canvas().FillRect(Rect(0, 0, 1, 1)); }},
        {"draw", true, [&Other](TBitmap& B) { B.Canvas().Draw(1, 1, Other); }},
        {"width", true, [](TBitmap& B) { B.SetWidth(B.Width() + 1); }},
        {"height", true, [](TBitmap& B) { B.SetHeight(B.Height() + 1); }},
        {"size", true, [](TBitmap& B) { B.SetSize(1, 1); }},
    };
    TBitmap B;
    B.SetSize(3, 3);
    std::set<std::uint64_t> Seen{Other.Stamp()};
    std::uint64_t Last = B.Stamp();
    Seen.insert(Last);
    for (const TStep& Step : Steps) {
        // A note of a change holds until the next write, for the stamp it was made from only.
        B.NoteChange(Last, Rect(0, 0, 1, 1));
        Step.Run(B);
        EXPECT_EQ(B.ChangeSince(Last), Step.Writes ? std::nullopt : std::optional(Rect(0, 0, 1, 1))) << Step.Name;
        EXPECT_EQ(B.ChangeSince(Other.Stamp()), std::nullopt) << Step.Name;
        const std::uint64_t Now = B.Stamp();
        EXPECT_NE(Now, 0U) << Step.Name;
        EXPECT_EQ(B.Stamp(), Now) << Step.Name;
        if (Step.Writes) {
            EXPECT_TRUE(Seen.insert(Now).second) << Step.Name << ": a stamp given before";
        } else {
            EXPECT_EQ(Now, Last) << Step.Name;
        }
        Last = Now;
    }
}

TEST(Canvas, WithoutATargetDrawsNothing) {
    TCanvas Canvas;
    TBitmap Source;
    Source.SetSize(1, 1);
    Canvas.FillRect(Rect(0, 0, 10, 10));
    Canvas.Draw(0, 0, Source);
    EXPECT_EQ(Canvas.Target(), nullptr);
}
