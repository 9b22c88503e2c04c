// Even LEDs at the scale factor this process runs at (QT_SCALE_FACTOR, set by the test command
// before the QApplication is made: 1.25, 1.5, 1.75, 2): the widget grabbed at device resolution
// shows every LED with the same box and every gap with the same width, square LEDs square and
// round ones symmetric with dark corners, in edit mode and while scrolling. The LEDs are found in
// the grabbed pixels (every LED colour differs from the background), not computed.
//
// After edits that change a few LEDs (only those are drawn again), the widget shows what a new
// widget drawn whole in the same state shows.
//
// VYR_SCALE_PNG=DIR keeps each grab as DIR/<factor>-<case>.png, to look at.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <cmath>
#include <string>
#include <vector>

#include "support/qt_support.h"
#include "vyr/qt/QEditMatrix.h"

namespace vyr::test {
namespace {

void Configure(QEditMatrix& W, const struct TScaleCase& C);

struct TScaleCase {
    const char* Name;
    bool Round;
    int Size;
    int Distance;
    bool Scroll;
};

// Alternating runs along one axis of a mask: the LED runs and the gap runs between them (the
// margin before the first LED included, the slack after the last left out).
struct TRuns {
    std::vector<int> Starts;
    std::vector<int> Leds;
    std::vector<int> Gaps;
};

TRuns RunsOf(const std::vector<bool>& Lit) {
    TRuns R;
    int Gap = 0;
    for (std::size_t I = 0; I < Lit.size();) {
        if (!Lit[I]) {
            ++Gap;
            ++I;
            continue;
        }
        R.Gaps.push_back(Gap);
        Gap = 0;
        std::size_t J = I;
        while (J < Lit.size() && Lit[J]) ++J;
        R.Starts.push_back(static_cast<int>(I));
        R.Leds.push_back(static_cast<int>(J - I));
        I = J;
    }
    return R;
}

bool AllEqual(const std::vector<int>& V) {
    return std::adjacent_find(V.begin(), V.end(), std::not_equal_to<>()) == V.end();
}

std::string Joined(const std::vector<int>& V) {
    std::string S;
    for (const int X : V) S += std::to_string(X) + " ";
    return S;
}

TEST(QEditMatrixScale, AllLedsAndGapsMeasureTheSameAndRoundLedsAreRound) {
    const qreal Factor = QGuiApplication::primaryScreen()->devicePixelRatio();
    ASSERT_NE(Factor, 1.0) << "run with QT_SCALE_FACTOR set";
    const TScaleCase Cases[] = {
        {"defaults", false, 2, 1, false},         {"squares-3-1", false, 3, 1, false},
        {"circles-3-1", true, 3, 1, false},       {"circles-5-2", true, 5, 2, false},
        {"circles-7-1-scroll", true, 7, 1, true}, {"squares-2-1-scroll", false, 2, 1, true},
        {"squares-4-0", false, 4, 0, false},
    };
    const QString Keep = qEnvironmentVariable("VYR_SCALE_PNG");
    for (const TScaleCase& C : Cases) {
        SCOPED_TRACE(std::string(C.Name) + " at " + std::to_string(Factor));
        QEditMatrix W;
        Configure(W, C);
        const QImage Image = Grab(W);
        if (!Keep.isEmpty()) {
            Image.save(QDir(Keep).filePath(QStringLiteral("%1-%2.png").arg(Factor).arg(QString::fromLatin1(C.Name))));
        }
        // The grab is at device resolution and covers the widget; the size follows the grid.
        ASSERT_LT(std::abs(Image.width() - W.width() * Factor), 1.0);
        EXPECT_EQ(W.sizeHint(), W.size());

        const auto Lit = [&Image](int X, int Y) { return ColorAt(Image, X, Y) != 0; };
        std::vector<bool> Columns(static_cast<std::size_t>(Image.width()));
        std::vector<bool> Rows(static_cast<std::size_t>(Image.height()));
        for (int Y = 0; Y < Image.height(); ++Y) {
            for (int X = 0; X < Image.width(); ++X) {
                if (Lit(X, Y)) Columns[static_cast<std::size_t>(X)] = Rows[static_cast<std::size_t>(Y)] = true;
            }
        }
        const TRuns Across = RunsOf(Columns);
        const TRuns Down = RunsOf(Rows);
        const int Size = static_cast<int>(std::lround(C.Size * Factor));
        const int Gap = static_cast<int>(std::lround(C.Distance * Factor));
        const int LedRows = C.Scroll ? 7 : 9;
        const int LedColumns = 4 * 6;
        if (Gap > 0) {
            ASSERT_EQ(Across.Leds.size(), static_cast<std::size_t>(LedColumns)) << Joined(Across.Leds);
            ASSERT_EQ(Down.Leds.size(), static_cast<std::size_t>(LedRows)) << Joined(Down.Leds);
            EXPECT_TRUE(AllEqual(Across.Leds) && Across.Leds[0] == Size) << Joined(Across.Leds);
            EXPECT_TRUE(AllEqual(Down.Leds) && Down.Leds[0] == Size) << Joined(Down.Leds);
            EXPECT_TRUE(AllEqual(Across.Gaps) && Across.Gaps[0] == Gap) << Joined(Across.Gaps);
            EXPECT_TRUE(AllEqual(Down.Gaps) && Down.Gaps[0] == Gap) << Joined(Down.Gaps);
        } else {
            // Touching LEDs: one run, as long as the grid.
            ASSERT_EQ(Across.Leds.size(), 1U);
            EXPECT_EQ(Across.Leds[0], Size * LedColumns);
            EXPECT_EQ(Down.Leds[0], Size * LedRows);
        }
        // Every LED has the same shape: square, or round (symmetric both ways and about the
        // diagonal, corners dark from 3 pixels on); and one colour.
        std::vector<bool> Shape;
        for (int R = 0; R < LedRows; ++R) {
            for (int Col = 0; Col < LedColumns; ++Col) {
                const int Left = Gap + (Size + Gap) * Col;
                const int Top = Gap + (Size + Gap) * R;
                std::vector<bool> Mask;
                const host::TColor Colour = ColorAt(Image, Left + Size / 2, Top + Size / 2);
                for (int Dy = 0; Dy < Size; ++Dy) {
                    for (int Dx = 0; Dx < Size; ++Dx) {
                        const host::TColor Here = ColorAt(Image, Left + Dx, Top + Dy);
                        Mask.push_back(Here != 0);
                        if (Here != 0 && Here != Colour)
                            ADD_FAILURE() << "LED " << Col << "," << R << " has two colours";
                    }
                }
                if (Shape.empty()) Shape = Mask;
                if (Mask != Shape) ADD_FAILURE() << "LED " << Col << "," << R << " differs in shape";
            }
        }
        const auto At = [&Shape, Size](int X, int Y) { return Shape[static_cast<std::size_t>(Y * Size + X)]; };
        for (int Y = 0; Y < Size; ++Y) {
            for (int X = 0; X < Size; ++X) {
                EXPECT_EQ(At(X, Y), At(Size - 1 - X, Y));
                EXPECT_EQ(At(X, Y), At(X, Size - 1 - Y));
                EXPECT_EQ(At(X, Y), At(Y, X));
                if (!C.Round) {
                    EXPECT_TRUE(At(X, Y));
                }
            }
        }
        if (C.Round && Size >= 3) {
            EXPECT_FALSE(At(0, 0));
            EXPECT_TRUE(At(Size / 2, 0));
        }

        if (C.Scroll) continue;
        const auto Edit = [](QEditMatrix& M) {
            QTest::keyClick(&M, Qt::Key_Left);
            QTest::keyClick(&M, Qt::Key_Left);
            QTest::keyClicks(&M, "xy");
            QTest::keyClick(&M, Qt::Key_Backspace);  // the cursor bar ends one slot left
        };
        Edit(W);
        const QImage Edited = Grab(W);
        EXPECT_FALSE(Edited == Image) << "the edits changed nothing";
        QEditMatrix Whole;
        Configure(Whole, C);
        Edit(Whole);
        EXPECT_TRUE(Edited == Grab(Whole)) << "the LEDs drawn again after the edits differ from a whole drawing";
    }
}

void Configure(QEditMatrix& W, const TScaleCase& C) {
    W.setBackgroundColor(QColor(0, 0, 0));
    W.setInactiveLedOffColor(QColor(40, 40, 40));
    W.setActiveLedOffColor(QColor(40, 40, 40));
    W.setTotalVisible(4);
    W.setLedShape(C.Round ? QEditMatrix::Circle : QEditMatrix::Square);
    W.setLedSize(C.Size);
    W.setLedDistance(C.Distance);
    W.setDelay(100000);  // the marquee stands still while the widget is grabbed
    W.setText(C.Scroll ? "@3282828Vyr" : "Ag");
    W.setScroll(C.Scroll);
}

}  // namespace
}  // namespace vyr::test
