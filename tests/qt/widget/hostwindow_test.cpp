// QHostWindow with a plain host control: which paint events are the host's repaint requests,
// the size, and the dialog code deciding about the arrow keys.
#include <gtest/gtest.h>

#include <QtGui/QPaintEvent>
#include <QtGui/QPalette>
#include <QtGui/QScreen>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "QtProbe.h"
#include "pixels.h"
#include "support/qt_support.h"
#include "vyr/host/Controls.h"
#include "vyr/qt/QtBackend.h"

namespace vyr::test {
namespace {

// Counts its repaints and the keys it gets; wants no arrow keys (the host's default answer).
class TSpyControl : public host::TCustomControl {
public:
    TSpyControl() : host::TCustomControl(nullptr) {
        SetWidth(30);
        SetHeight(10);
        Color = 0x00FF00;
    }
    void Paint() override {
        ++Paints;
        TCustomControl::Paint();
    }
    void KeyDown(host::Word& Key, host::TShiftState Shift) override {
        Keys.push_back(Key);
        TCustomControl::KeyDown(Key, Shift);
    }
    int Paints = 0;
    std::vector<host::Word> Keys;
};

class TSpyWindow : public qt::QHostWindow {
public:
    TSpyWindow() : Control(std::make_unique<TSpyControl>()) { adoptControl(*Control); }
    ~TSpyWindow() override { releaseControl(); }
    std::unique_ptr<TSpyControl> Control;
};

TEST(QtHostWindow, OnlyTheHostsOwnRepaintRequestsCallPaint) {
    TSpyWindow W;
    W.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&W));
    QTest::qWait(20);
    EXPECT_GE(W.Control->Paints, 1) << "the first show";
    EXPECT_EQ(ColorAt(Grab(W), 5, 5), 0x00FF00U);

    W.Control->Paints = 0;
    W.update();  // an application's update: shows the surface
    W.repaint();
    (void)Grab(W);
    QTest::qWait(20);
    EXPECT_EQ(W.Control->Paints, 0);
    EXPECT_GT(vyr::qt::detail::THostWindowProbe::Tally(W).PaintEvents, 0);

    const int HostPaints = vyr::qt::detail::THostWindowProbe::Tally(W).HostPaints;
    W.Control->Invalidate();  // the host's request: one Paint, however many paint events follow
    QTest::qWait(20);
    W.repaint();
    EXPECT_EQ(W.Control->Paints, 1);
    EXPECT_EQ(vyr::qt::detail::THostWindowProbe::Tally(W).HostPaints, HostPaints + 1);

    W.hide();
    W.show();  // every show is a host repaint
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&W));
    QTest::qWait(20);
    EXPECT_GE(W.Control->Paints, 2);
}

TEST(QtHostWindow, TheWidgetTakesTheControlsSize) {
    TSpyWindow W;
    EXPECT_EQ(W.size(), QSize(30, 10));
    W.Control->SetWidth(50);
    EXPECT_EQ(W.size(), QSize(50, 10));
    EXPECT_EQ(W.sizeHint(), QSize(50, 10));
    EXPECT_EQ(W.surface().width(), 50);
    W.resize(200, 200);  // a fixed size: the control decides
    EXPECT_EQ(W.size(), QSize(50, 10));
}

// A copied frame is converted into the surface once; only the pixels it changed are shown again,
// and a frame equal to the surface is not shown again at all.
TEST(QtHostWindow, ACopiedFrameReachesTheScreenOnlyWhereItChangedPixels) {
    class TRegionWindow : public TSpyWindow {
    public:
        QRegion Painted;

    protected:
        void paintEvent(QPaintEvent* Event) override {
            Painted += Event->region();
            TSpyWindow::paintEvent(Event);
        }
    } W;
    W.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&W));
    QTest::qWait(20);
    struct Case {
        const char* Name;
        int X, Y;             // where the frame goes
        QRect Changed;        // pixels of the frame that differ from the control's green, in frame coordinates
        QRect ExpectedShown;  // in window coordinates; empty: no paint event
    };
    for (const Case C :
         {Case{"same picture", 0, 0, QRect(), QRect()}, Case{"one pixel", 0, 0, QRect(7, 3, 1, 1), QRect(7, 3, 1, 1)},
          Case{"a block, offset", 4, 2, QRect(1, 1, 5, 3), QRect(5, 3, 5, 3)},
          Case{"clipped at the edge", 25, 0, QRect(2, 0, 10, 10), QRect(27, 0, 3, 10)}}) {
        SCOPED_TRACE(C.Name);
        host::TBitmap Frame;
        Frame.SetSize(30, 10);
        Frame.Canvas().Brush.Color = 0x00FF00;
        Frame.Canvas().FillRect({0, 0, 30, 10});
        Frame.Canvas().Brush.Color = 0x3366CC;
        Frame.Canvas().FillRect({C.Changed.left(), C.Changed.top(), C.Changed.right() + 1, C.Changed.bottom() + 1});
        // The window starts green everywhere.
        W.Control->Canvas().Brush.Color = 0x00FF00;
        W.Control->Canvas().FillRect({0, 0, 30, 10});
        QTest::qWait(20);
        W.Painted = QRegion();
        W.Control->Canvas().Draw(C.X, C.Y, Frame);
        QTest::qWait(20);
        EXPECT_EQ(W.Painted.boundingRect(), C.ExpectedShown);
        const QImage Shown = Grab(W);
        const QRect Target = QRect(C.X, C.Y, 30, 10) & QRect(0, 0, 30, 10);
        for (int Y = 0; Y < 10; ++Y) {
            for (int X = 0; X < 30; ++X) {
                const bool Blue = Target.contains(X, Y) && C.Changed.contains(X - C.X, Y - C.Y);
                ASSERT_EQ(ColorAt(Shown, X, Y), Blue ? 0x3366CCU : 0x00FF00U) << X << "," << Y;
                ASSERT_EQ(ColorAt(W.surface(), X, Y), Blue ? 0x3366CCU : 0x00FF00U) << X << "," << Y;
            }
        }
    }
    EXPECT_EQ(W.surface().format(), QImage::Format_RGB32);
}

// A paint event into the window's backing store copies the surface straight into it, at the
// widget's place and only where Qt asks (not under a sibling above it); render() and grab() are
// painted with QPainter. Every device shows the surface.
TEST(QtHostWindow, PaintEventsShowTheSurfaceOnEveryKindOfDevice) {
    QWidget Top;
    Top.resize(80, 40);
    auto* W = new TSpyWindow;
    W->setParent(&Top);
    W->move(13, 7);
    auto* Cover = new QWidget(&Top);  // above the window's columns 17-22, rows 5-9
    Cover->setGeometry(30, 12, 6, 30);
    Cover->setAutoFillBackground(true);
    QPalette Magenta;
    Magenta.setColor(QPalette::Window, QColor(255, 0, 255));
    Cover->setPalette(Magenta);
    Cover->raise();
    Top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Top));
    host::TBitmap Frame;  // every pixel its own colour
    Frame.SetSize(30, 10);
    for (int Y = 0; Y < 10; ++Y) {
        std::uint8_t* Row = Frame.ScanLine(Y);
        for (int X = 0; X < 30; ++X) {
            Row[3 * X] = static_cast<std::uint8_t>(8 * X);
            Row[3 * X + 1] = static_cast<std::uint8_t>(20 * Y);
            Row[3 * X + 2] = static_cast<std::uint8_t>(200 - X);
        }
    }
    const qt::detail::THostWindowTally& Tally = qt::detail::THostWindowProbe::Tally(*W);
    const int Before = Tally.DeviceCopies;
    W->Control->Canvas().Draw(0, 0, Frame);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Tally.DeviceCopies > Before; }, 5000));
    ASSERT_TRUE(SamePixels(W->surface(), Frame));
    const auto Shows = [&](const QImage& Image, QPoint At, const QRect& Covered) {
        for (int Y = 0; Y < 10; ++Y) {
            for (int X = 0; X < 30; ++X) {
                const TColor Expected = Covered.contains(X, Y) ? 0xFF00FFU : ColorAt(W->surface(), X, Y);
                if (ColorAt(Image, At.x() + X, At.y() + Y) != Expected) {
                    return ::testing::AssertionFailure() << "window pixel " << X << "," << Y;
                }
            }
        }
        return ::testing::AssertionSuccess();
    };
    EXPECT_TRUE(Shows(Top.screen()->grabWindow(Top.winId()).toImage(), QPoint(13, 7), QRect(17, 5, 6, 5)));

    // render() and grab() hand the widget a painter of theirs: it draws.
    const int Copies = Tally.DeviceCopies;
    for (const QImage::Format Format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
        QImage Image(40, 16, Format);
        Image.fill(Qt::white);
        W->render(&Image, QPoint(5, 3));
        EXPECT_TRUE(Shows(Image, QPoint(5, 3), QRect())) << Format;
        EXPECT_EQ(ColorAt(Image, 4, 3), 0xFFFFFFU);
        EXPECT_EQ(ColorAt(Image, 35, 13), 0xFFFFFFU);
    }
    EXPECT_TRUE(Shows(Grab(*W), QPoint(0, 0), QRect()));
    EXPECT_EQ(Tally.DeviceCopies, Copies);
}

// The very frame copied last (its bitmap unchanged since) is not converted again; a change to
// the bitmap, to the surface or to the place is converted, whatever was skipped before.
TEST(QtHostWindow, TheSameFrameAgainConvertsNothingButAnyChangeInBetweenIsShown) {
    TSpyWindow W;
    host::TBitmap Frame;
    Frame.SetSize(30, 10);
    const auto Fill = [](host::TCanvas& Canvas, host::TColor Colour, host::TRect Area) {
        Canvas.Brush.Color = Colour;
        Canvas.FillRect(Area);
    };
    Fill(Frame.Canvas(), 0x3366CC, {0, 0, 30, 10});
    struct TStep {
        const char* Name;
        std::function<void()> Between;
        int X;
        bool Converts;
        host::TColor At12;  // the surface's pixel (1, 2) afterwards
    };
    const TStep Steps[] = {
        {"first copy", [] {}, 0, true, 0x3366CC},
        {"again", [] {}, 0, false, 0x3366CC},
        {"surface filled",
         [&] {
             Fill(W.Control->Canvas(), 0x00FF00, {0, 0, 30, 10});
         },
         0, true, 0x3366CC},
        {"frame written",
         [&] {
             Fill(Frame.Canvas(), 0x112233, {0, 0, 5, 5});
         },
         0, true, 0x112233},
        {"again", [] {}, 0, false, 0x112233},
        {"elsewhere", [] {}, 1, true, 0x112233},
        {"back", [] {}, 0, true, 0x112233},
    };
    for (const TStep& Step : Steps) {
        SCOPED_TRACE(Step.Name);
        Step.Between();
        const qint64 Before = W.surface().cacheKey();
        W.Control->Canvas().Draw(Step.X, 0, Frame);
        EXPECT_EQ(W.surface().cacheKey() != Before, Step.Converts);
        EXPECT_EQ(ColorAt(W.surface(), 1, 2), Step.At12);
    }
}

// Every row kernel this processor runs packs groups of pixels and compares them at once: at
// every width, every byte lands where the one-pixel conversion puts it, and the span it reports
// is the first to the last pixel that changed.
TEST(QtHostWindow, RowConversionsAgreeWithThePixelConversion) {
    std::mt19937 Random(7);
    for (const auto Kernel :
         {qt::pixels::TRowKernel::Plain, qt::pixels::TRowKernel::Ssse3, qt::pixels::TRowKernel::Avx2}) {
        if (!qt::pixels::Supported(Kernel)) continue;
        for (int Count = 0; Count <= 27; ++Count) {
            for (int Trial = 0; Trial < 20; ++Trial) {
                std::vector<std::uint8_t> From(3 * static_cast<std::size_t>(Count));
                for (std::uint8_t& Byte : From) Byte = static_cast<std::uint8_t>(Random() % 2);
                std::vector<QRgb> To(static_cast<std::size_t>(Count) + 1, 0x12345678U);
                for (int I = 0; I < Count; ++I) {
                    if (Random() % 2 != 0) To[static_cast<std::size_t>(I)] = qt::pixels::FromBgr(From.data() + 3 * I);
                }
                int First = Count;
                int Last = -1;
                for (int I = 0; I < Count; ++I) {
                    if (To[static_cast<std::size_t>(I)] == qt::pixels::FromBgr(From.data() + 3 * I)) continue;
                    First = std::min(First, I);
                    Last = I;
                }
                const qt::pixels::TChangedSpan Span =
                    qt::pixels::ConvertBgrRowWith(Kernel, From.data(), To.data(), Count);
                EXPECT_EQ(Span.First > Span.Last, Last < 0) << Count;
                if (Last >= 0) {
                    EXPECT_EQ(std::pair(Span.First, Span.Last), std::pair(First, Last)) << Count;
                }
                for (int I = 0; I < Count; ++I) {
                    ASSERT_EQ(To[static_cast<std::size_t>(I)], qt::pixels::FromBgr(From.data() + 3 * I))
                        << static_cast<int>(Kernel) << "/" << Count << ":" << I;
                }
                EXPECT_EQ(To.back(), 0x12345678U) << "nothing written past the row";
                // Without comparing: the same pixels over whatever was there, the whole row.
                std::vector<QRgb> Written(To.size(), 0x12345678U);
                const qt::pixels::TChangedSpan Whole =
                    qt::pixels::ConvertBgrRowWith<false>(Kernel, From.data(), Written.data(), Count);
                EXPECT_EQ(std::pair(Whole.First, Whole.Last), std::pair(0, Count - 1)) << Count;
                EXPECT_EQ(Written, To) << static_cast<int>(Kernel) << "/" << Count;
            }
        }
    }
}

TEST(QtHostWindow, ArrowKeysGoOnToTheParentUnlessTheControlAsksForThem) {
    TSpyWindow W;
    QKeyEvent Left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&W, &Left);
    EXPECT_FALSE(Left.isAccepted());
    QKeyEvent Home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
    QApplication::sendEvent(&W, &Home);
    EXPECT_TRUE(Home.isAccepted());
    EXPECT_EQ(W.Control->Keys, std::vector<host::Word>{36});
}

}  // namespace
}  // namespace vyr::test
