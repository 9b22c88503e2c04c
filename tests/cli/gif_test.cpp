// `vyrmatrix gif`: frames and delays follow the simulated clock; colours survive the palette.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "cli_support.h"
#include "gif_encoder.h"

namespace vyr::cli {
namespace {

using test::RunTool;
using test::TRunResult;
using test::TScratchDir;

struct TGifInfo {
    int Width = 0;
    int Height = 0;
    std::vector<int> Delays;        // per frame, centiseconds
    std::vector<TRgbImage> Frames;  // decoded pictures
};

TGifInfo ReadGif(const std::string& Path) {
    int Error = 0;
    GifFileType* Gif = DGifOpenFileName(Path.c_str(), &Error);
    EXPECT_NE(Gif, nullptr) << GifErrorString(Error);
    TGifInfo Info;
    if (!Gif) return Info;
    EXPECT_EQ(DGifSlurp(Gif), GIF_OK);
    Info.Width = Gif->SWidth;
    Info.Height = Gif->SHeight;
    for (int i = 0; i < Gif->ImageCount; ++i) {
        GraphicsControlBlock Control{};
        EXPECT_EQ(DGifSavedExtensionToGCB(Gif, i, &Control), GIF_OK);
        Info.Delays.push_back(Control.DelayTime);
        const SavedImage& Image = Gif->SavedImages[i];
        const ColorMapObject* Map = Image.ImageDesc.ColorMap ? Image.ImageDesc.ColorMap : Gif->SColorMap;
        TRgbImage Rgb;
        Rgb.Width = Image.ImageDesc.Width;
        Rgb.Height = Image.ImageDesc.Height;
        for (int p = 0; p < Rgb.Width * Rgb.Height; ++p) {
            const GifColorType C = Map->Colors[Image.RasterBits[p]];
            Rgb.Pixels.insert(Rgb.Pixels.end(), {C.Red, C.Green, C.Blue});
        }
        Info.Frames.push_back(std::move(Rgb));
    }
    DGifCloseFile(Gif, &Error);
    return Info;
}

TGifInfo RunGif(std::vector<std::string> Args) {
    TScratchDir Dir;
    const std::string Path = Dir.File("out.gif");
    Args.insert(Args.begin(), "gif");
    Args.push_back("-o");
    Args.push_back(Path);
    const TRunResult R = RunTool(Args);
    EXPECT_EQ(R.Status, 0) << R.Err;
    return ReadGif(Path);
}

struct TClockCase {
    const char* Name;
    std::vector<std::string> Args;
    std::vector<int> Delays;
};

std::ostream& operator<<(std::ostream& Os, const TClockCase& C) { return Os << C.Name; }

class GifClock : public ::testing::TestWithParam<TClockCase> {};

TEST_P(GifClock, FramesAndDelaysFollowTheSimulatedClock) {
    const TGifInfo Gif = RunGif(GetParam().Args);
    EXPECT_EQ(Gif.Delays, GetParam().Delays);
    EXPECT_EQ(Gif.Width, 181);
    EXPECT_EQ(Gif.Height, 22);  // 7 LED rows in scroll mode
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, GifClock,
    ::testing::Values(
        // Scroll and blink together every 100 ms: one picture every 10 cs.
        TClockCase{"EqualDelays", {"A", "--frames", "5"}, {10, 10, 10, 10, 10}},
        // Scroll every 250 ms, blink every 100 ms: repaints at 0 100 200 250 300 400 | 500.
        TClockCase{"InterleavedDelays", {"A", "--frames", "6", "--set", "Delay=250", "--set", "BlinkDelay=100"},
                   {10, 10, 5, 5, 10, 10}},
        // Without --frames: one lap, "A" is 6 LED columns, so six scroll steps.
        TClockCase{"OneLapByDefault", {"A"}, {10, 10, 10, 10, 10, 10}},
        TClockCase{"OneLapSlowBlink", {"AB", "--set", "BlinkDelay=1000", "--set", "Delay=200"},
                   std::vector<int>(12, 20)},
        // A delay below a hundredth: pictures within the same hundredth collapse to the last.
        TClockCase{"FastScroll", {"A", "--frames", "3", "--set", "Delay=5", "--set", "BlinkDelay=10000"}, {1, 1, 1}},
        // The "D" code changes the delay from the next step on.
        TClockCase{"DelayCode", {"A@D0001F4B", "--frames", "3", "--set", "BlinkDelay=100000"}, {50, 50, 50}}));
// clang-format on

TEST(GifCommand, PicturesHaveTheControlsColours) {
    const TGifInfo Gif =
        RunGif({"H", "--frames", "2", "--set", "ActiveLEDOnColor=$00FF00", "--set", "BackgroundColor=$FF0000"});
    ASSERT_EQ(Gif.Frames.size(), 2U);
    std::set<host::TColor> Colours;
    for (int y = 0; y < Gif.Frames[0].Height; ++y) {
        for (int x = 0; x < Gif.Frames[0].Width; ++x) Colours.insert(Gif.Frames[0].At(x, y));
    }
    EXPECT_EQ(Colours, (std::set<host::TColor>{0x00FF00, 0x000040, 0xFF0000}));
    EXPECT_EQ(Gif.Frames[0].At(0, 0), 0xFF0000U);
}

TEST(GifCommand, MissingOutputOrTextIsABadArgument) {
    TScratchDir Dir;
    for (const auto& Args :
         std::vector<std::vector<std::string>>{{"gif", "Hi"},
                                               {"gif", "-o", Dir.File("a.gif")},
                                               {"gif", "Hi", "-o", Dir.File("a.gif"), "--frames", "0"},
                                               {"gif", "Hi", "-o", Dir.File("a.gif"), "--set", "LEDSize=999"},
                                               {"gif", "Hi", "There", "-o", Dir.File("a.gif")}}) {
        const TRunResult R = RunTool(Args);
        EXPECT_EQ(R.Status, 2) << Args.back();
        EXPECT_EQ(R.ErrLines().size(), 1U) << R.Err;
        EXPECT_FALSE(test::FileExists(Dir.File("a.gif")));
    }
}

// Pictures with more than 256 colours in all but at most 256 each: every frame keeps its exact
// colours through a palette of its own.
TEST(GifEncoder, ManyColoursAcrossFramesStayExact) {
    std::vector<TGifFrame> Frames;
    for (int f = 0; f < 3; ++f) {
        TRgbImage Image;
        Image.Width = 16;
        Image.Height = 16;
        for (int i = 0; i < 256; ++i)
            Image.Pixels.insert(Image.Pixels.end(), {std::uint8_t(i), std::uint8_t(f * 80), std::uint8_t(255 - i)});
        Frames.push_back({Image, 7});
    }
    TScratchDir Dir;
    WriteGif(Dir.File("many.gif"), Frames);
    const TGifInfo Gif = ReadGif(Dir.File("many.gif"));
    ASSERT_EQ(Gif.Frames.size(), 3U);
    for (std::size_t f = 0; f < 3; ++f) {
        EXPECT_TRUE(Gif.Frames[f] == Frames[f].Image) << "frame " << f;
        EXPECT_EQ(Gif.Delays[f], 7);
    }
}

TEST(GifEncoder, FrameWithTooManyColoursIsReducedToNearColours) {
    TRgbImage Image;
    Image.Width = 40;
    Image.Height = 30;  // 1200 distinct colours
    for (int i = 0; i < 1200; ++i) {
        Image.Pixels.insert(Image.Pixels.end(),
                            {std::uint8_t(i % 256), std::uint8_t((i * 7) % 256), std::uint8_t(i / 5)});
    }
    const auto Palette = ReducedPalette(Image, 256);
    EXPECT_LE(Palette.size(), 256U);
    EXPECT_GE(Palette.size(), 200U);
    for (int y = 0; y < Image.Height; ++y) {
        for (int x = 0; x < Image.Width; ++x) {
            const host::TColor C = Image.At(x, y);
            const host::TColor P = Palette[NearestColour(Palette, C)];
            for (int k = 0; k < 3; ++k) {
                const int Delta = int((C >> (8 * k)) & 0xFF) - int((P >> (8 * k)) & 0xFF);
                EXPECT_LE(std::abs(Delta), 48) << "pixel " << x << "," << y;
            }
        }
    }
    TScratchDir Dir;
    WriteGif(Dir.File("reduced.gif"), {{Image, 5}});
    EXPECT_EQ(ReadGif(Dir.File("reduced.gif")).Frames.size(), 1U);
}

TEST(GifEncoder, FewColoursGiveExactlyThosePaletteEntries) {
    TRgbImage Image;
    Image.Width = 3;
    Image.Height = 1;
    Image.Pixels = {255, 0, 0, 64, 0, 0, 255, 0, 0};
    const auto Palette = ReducedPalette(Image, 256);
    EXPECT_EQ(std::set<host::TColor>(Palette.begin(), Palette.end()), (std::set<host::TColor>{0x0000FF, 0x000040}));
}

// Frames of different sizes: each is drawn at the top left of a screen as large as the largest,
// the rest in the frame's own background, and that colour is in the palette.
TEST(GifEncoder, SmallerFramesAreFilledWithTheirBackgroundWhenWritten) {
    const auto Solid = [](int W, int H, std::uint8_t R, std::uint8_t G, std::uint8_t B) {
        TRgbImage Image;
        Image.Width = W;
        Image.Height = H;
        for (int p = 0; p < W * H; ++p) Image.Pixels.insert(Image.Pixels.end(), {R, G, B});
        return Image;
    };
    const std::vector<TGifFrame> Frames = {
        {Solid(2, 1, 255, 0, 0), 4, 0xFF0000},  // red on a blue background (TColor: blue high)
        {Solid(3, 2, 0, 255, 0), 6, 0x0000FF},  // the largest: not filled
        {Solid(1, 2, 9, 9, 9), 8, 0x00FFFF},    // grey on yellow
    };
    TScratchDir Dir;
    WriteGif(Dir.File("sizes.gif"), Frames);
    const TGifInfo Gif = ReadGif(Dir.File("sizes.gif"));
    ASSERT_EQ(Gif.Frames.size(), 3U);
    EXPECT_EQ(Gif.Width, 3);
    EXPECT_EQ(Gif.Height, 2);
    for (std::size_t f = 0; f < Frames.size(); ++f) {
        const TGifFrame& In = Frames[f];
        TRgbImage Expected = Solid(3, 2, 0, 0, 0);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                const host::TColor C = x < In.Image.Width && y < In.Image.Height ? In.Image.At(x, y) : In.Background;
                const std::size_t I = static_cast<std::size_t>(y * 3 + x) * 3;
                Expected.Pixels[I] = static_cast<std::uint8_t>(C & 0xFF);
                Expected.Pixels[I + 1] = static_cast<std::uint8_t>((C >> 8) & 0xFF);
                Expected.Pixels[I + 2] = static_cast<std::uint8_t>((C >> 16) & 0xFF);
            }
        }
        EXPECT_TRUE(Gif.Frames[f] == Expected) << "frame " << f;
        EXPECT_EQ(Gif.Delays[f], In.DelayCs);
    }
}

// Every recorded frame was padded to the largest one while recording, after the memory budget
// was checked: LEDs that grow late in the text took gigabytes. The run must hold far less than
// all frames at the largest size would take.
TEST(GifCommand, GrowingLedsDoNotPadEveryFrameInMemory) {
    TScratchDir Dir;
    const std::string Path = Dir.File("grow.gif");
    std::vector<std::string> Args = {VYRMATRIX_BINARY,
                                     "gif",
                                     std::string(20, 'A') + "@L000060",
                                     "--set",
                                     "LEDSize=1",
                                     "--set",
                                     "LEDDistance=0",
                                     "--set",
                                     "TotalVisible=1",
                                     "-o",
                                     Path};
    std::vector<char*> Argv;
    for (auto& A : Args) Argv.push_back(A.data());
    Argv.push_back(nullptr);
    const pid_t Child = ::fork();
    if (Child == 0) {
        ::execv(Argv[0], Argv.data());
        ::_exit(127);
    }
    ASSERT_GT(Child, 0);
    int Status = 0;
    rusage Usage{};
    ASSERT_EQ(::wait4(Child, &Status, 0, &Usage), Child);
    ASSERT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
    const TGifInfo Gif = ReadGif(Path);
    const double PaddedBytes = double(Gif.Frames.size()) * Gif.Width * Gif.Height * 3;
    ASSERT_GT(PaddedBytes, 100e6) << "the case no longer makes large frames";
    EXPECT_LT(double(Usage.ru_maxrss) * 1024, PaddedBytes / 2)
        << Gif.Frames.size() << " frames of " << Gif.Width << "x" << Gif.Height;
}

}  // namespace
}  // namespace vyr::cli
