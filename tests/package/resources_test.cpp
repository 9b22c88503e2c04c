// The resources the package carries, read through the host's resource API.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>

#include "package_fixture.h"
#include "vyr/host/Graphics.h"

namespace vyr::test {
namespace {

using host::TColor;

// The standard 16-colour palette as TColor values (red in the low byte).
constexpr TColor Black = 0x000000, DarkRed = 0x000080, LightGrey = 0xC0C0C0, DarkGrey = 0x808080, Red = 0x0000FF,
                 Magenta = 0xFF00FF, White = 0xFFFFFF;

std::uint32_t U32(std::span<const std::uint8_t> D, std::size_t At) {
    return D[At] | (D[At + 1] << 8) | (D[At + 2] << 16) | (static_cast<std::uint32_t>(D[At + 3]) << 24);
}
std::uint16_t U16(std::span<const std::uint8_t> D, std::size_t At) {
    return static_cast<std::uint16_t>(D[At] | (D[At + 1] << 8));
}

class PackageResources : public testing::Test {
protected:
    std::unique_ptr<host::TBitmap> Bitmap(const char* Name) {
        auto B = std::make_unique<host::TBitmap>();
        EXPECT_TRUE(host::LoadBitmapResource(Package.Module, Name, *B)) << Name;
        return B;
    }
    std::span<const std::uint8_t> Data(const char* Name, std::string_view Type) {
        auto R = host::FindResource(Package.Module, Name, Type);
        if (!R) {
            ADD_FAILURE() << Name << " missing";
            return {};
        }
        return R->Data;
    }

    TPackageCopy Copy{false};
    TScopedPackage Package{Copy.Path};
};

TEST_F(PackageResources, EveryResourceIsThereWithItsTypeAndLanguage) {
    std::map<std::string, std::pair<std::string, int>> Found;
    for (const auto& R : host::EnumResources(Package.Module)) Found[R.Name] = {R.Type, R.Language};
    const std::map<std::string, std::pair<std::string, int>> Expected = {
        {"TCHARSET", {"BITMAP", 1030}},     {"TEDITMATRIX", {"BITMAP", 1030}}, {"#1", {"ICON", 1030}},
        {"MAINICON", {"GROUP_ICON", 1030}}, {"DESCRIPTION", {"RCDATA", 0}},    {"PACKAGEINFO", {"RCDATA", 0}},
        {"PACKAGEOPTIONS", {"RCDATA", 0}},
    };
    EXPECT_EQ(Found, Expected);
    EXPECT_EQ(host::GetModuleDescription(Package.Module), "Vyr Components");
    EXPECT_TRUE(host::FindResource(Package.Module, "teditmatrix", "bitmap")) << "names compare without case";
}

// The LED panel of TEDITMATRIX read back at one pixel per LED: 'X' bright red, '.' dark red.
TEST_F(PackageResources, EditMatrixBitmapShowsTheGlyphAOnAnLedPanel) {
    const auto Image = Bitmap("TEDITMATRIX");
    const host::TBitmap& B = *Image;
    ASSERT_EQ(B.Width(), 32);
    ASSERT_EQ(B.Height(), 32);
    std::vector<std::string> Leds;
    for (int R = 0; R < 8; ++R) {
        std::string Row;
        for (int C = 0; C < 8; ++C) {
            // LED (C, R) fills the 2 x 2 box at (4 + 3C, 4 + 3R); all four pixels agree.
            const TColor P = B.Pixel(4 + 3 * C, 4 + 3 * R);
            for (int D = 1; D < 4; ++D) EXPECT_EQ(B.Pixel(4 + 3 * C + D % 2, 4 + 3 * R + D / 2), P);
            Row += P == Red ? 'X' : P == DarkRed ? '.' : '?';
        }
        Leds.push_back(Row);
    }
    const std::vector<std::string> A = {
        ".XXX....", "X...X...", "X...X...", "XXXXX...", "X...X...", "X...X...", "X...X...", "........",
    };
    EXPECT_EQ(Leds, A);
    // Frame: magenta outside, white top and left edge, dark grey bottom and right, black gaps.
    EXPECT_EQ(B.Pixel(0, 0), Magenta);
    EXPECT_EQ(B.Pixel(31, 31), Magenta);
    EXPECT_EQ(B.Pixel(10, 2), White);
    EXPECT_EQ(B.Pixel(2, 10), White);
    EXPECT_EQ(B.Pixel(10, 28), DarkGrey);
    EXPECT_EQ(B.Pixel(28, 10), DarkGrey);
    EXPECT_EQ(B.Pixel(3, 3), Black);
    EXPECT_EQ(B.Pixel(6, 4), Black) << "gap between LED columns";
    EXPECT_EQ(B.Pixel(4, 6), Black) << "gap between LED rows";
    EXPECT_EQ(B.Pixel(27, 27), Black);
    int Lit = 0;
    for (int Y = 0; Y < 32; ++Y) {
        for (int X = 0; X < 32; ++X) Lit += B.Pixel(X, Y) == Red ? 1 : 0;
    }
    EXPECT_EQ(Lit, 18 * 4) << "18 lit LEDs in \"A\", 4 pixels each";
}

TEST_F(PackageResources, CharSetBitmapIsABlackEmbossedFigureOnLightGrey) {
    const auto Image = Bitmap("TCHARSET");
    const host::TBitmap& B = *Image;
    ASSERT_EQ(B.Width(), 32);
    std::map<TColor, int> Counts;
    for (int Y = 0; Y < 32; ++Y) {
        for (int X = 0; X < 32; ++X) ++Counts[B.Pixel(X, Y)];
    }
    EXPECT_EQ(Counts.size(), 4U) << "light grey, black, white and dark grey only";
    EXPECT_GT(Counts[LightGrey], 512) << "background";
    EXPECT_GT(Counts[Black], 100);
    EXPECT_EQ(B.Pixel(0, 0), LightGrey);
    EXPECT_EQ(B.Pixel(31, 31), LightGrey);
    // The figure is edged all round: no black pixel touches the background.
    for (int Y = 1; Y < 31; ++Y) {
        for (int X = 1; X < 31; ++X) {
            if (B.Pixel(X, Y) != Black) continue;
            for (const auto& [DX, DY] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
                EXPECT_NE(B.Pixel(X + DX, Y + DY), LightGrey) << X << "," << Y;
            }
        }
    }
    // Lit from the top left: white above and left of the strokes, dark grey below and right.
    EXPECT_EQ(B.Pixel(16, 4), White);
    EXPECT_EQ(B.Pixel(16, 5), Black);
    EXPECT_EQ(B.Pixel(7, 15), White);
    EXPECT_EQ(B.Pixel(8, 15), Black);
    EXPECT_EQ(B.Pixel(16, 27), DarkGrey);
    EXPECT_EQ(B.Pixel(16, 26), Black);
    EXPECT_EQ(B.Pixel(12, 15), DarkGrey);
}

TEST_F(PackageResources, BitmapsAndIconAreSixteenColourImagesOf32By32) {
    for (const char* Name : {"TCHARSET", "TEDITMATRIX"}) {
        const auto D = Data(Name, host::RT_BITMAP);
        ASSERT_EQ(D.size(), 40U + 16 * 4 + 32 * 16) << Name;
        EXPECT_EQ(U32(D, 0), 40U);
        EXPECT_EQ(U32(D, 4), 32U);
        EXPECT_EQ(U32(D, 8), 32U);
        EXPECT_EQ(U16(D, 14), 4) << "bits a pixel";
        // Palette entry 13 is magenta (blue, green, red, 0).
        EXPECT_EQ(U32(D, 40 + 13 * 4), 0x00FF00FFU);
    }
    // The top-left pixel of TEDITMATRIX is the high nibble of the last row (stored bottom-up).
    const auto E = Data("TEDITMATRIX", host::RT_BITMAP);
    EXPECT_EQ(E[40 + 64 + 31 * 16] >> 4, 13);

    const auto Group = Data("MAINICON", host::RT_GROUP_ICON);
    ASSERT_EQ(Group.size(), 20U);
    EXPECT_EQ(U16(Group, 2), 1) << "an icon";
    EXPECT_EQ(U16(Group, 4), 1) << "one image";
    EXPECT_EQ(Group[6], 32);
    EXPECT_EQ(Group[7], 32);
    EXPECT_EQ(Group[8], 16) << "colours";
    EXPECT_EQ(U16(Group, 12), 4);
    const auto Icon = Data("#1", host::RT_ICON);
    EXPECT_EQ(U32(Group, 14), Icon.size());
    EXPECT_EQ(U16(Group, 18), 1) << "names icon #1";
    ASSERT_EQ(Icon.size(), 40U + 64 + 32 * 16 + 32 * 4);
    EXPECT_EQ(U32(Icon, 8), 64U) << "colour rows and mask rows";
    // Mask: the corners are transparent, the panel's centre is not.
    const std::size_t Mask = 40 + 64 + 32 * 16;
    EXPECT_EQ(Icon[Mask + 31 * 4] & 0x80, 0x80) << "top-left";
    EXPECT_EQ(Icon[Mask + 16 * 4 + 2] & 0x80, 0) << "(16, 15)";
}

TEST_F(PackageResources, DataResourcesDescribeThePackage) {
    const auto Description = Data("DESCRIPTION", host::RT_RCDATA);
    const std::string Text = "Vyr Components";
    ASSERT_EQ(Description.size(), 2 * (Text.size() + 1));
    for (std::size_t I = 0; I <= Text.size(); ++I) {
        EXPECT_EQ(U16(Description, 2 * I), I < Text.size() ? static_cast<unsigned char>(Text[I]) : 0);
    }

    const auto Info = host::ParsePackageInfo(Data("PACKAGEINFO", host::RT_RCDATA));
    EXPECT_EQ(Info.Flags, 0x4C000001U);
    EXPECT_EQ(Info.Flags & host::pfModuleTypeMask, host::pfPackageModule);
    EXPECT_EQ(Info.Flags & (host::pfDesignOnly | host::pfRunOnly), 0U);
    ASSERT_EQ(Info.Requires.size(), 1U);
    EXPECT_EQ(Info.Requires[0].Name, "vcl40");
    std::vector<std::pair<std::string, int>> Units;
    for (const auto& U : Info.Contains) Units.emplace_back(U.Name, U.Flags);
    EXPECT_EQ(Units, (std::vector<std::pair<std::string, int>>{
                         {"VyrComponents", 3}, {"CharSet", 0}, {"SysInit", 0}, {"EditMatrix", 0}}));
    EXPECT_EQ(host::GetPackageInfo(Package.Module).Contains.size(), 4U);

    const auto Options = Data("PACKAGEOPTIONS", host::RT_RCDATA);
    std::vector<std::string> Texts;
    for (std::size_t At = 0; At < Options.size();) {
        const std::size_t Length = Options[At];
        ASSERT_LE(At + 1 + Length, Options.size());
        Texts.emplace_back(reinterpret_cast<const char*>(Options.data()) + At + 1, Length);
        At += 1 + Length;
    }
    ASSERT_EQ(Texts.size(), 3U);
    EXPECT_EQ(Texts[1], "WinTypes=Windows;WinProcs=Windows;DbiTypes=BDE;DbiProcs=BDE;DbiErrs=BDE;");
    EXPECT_EQ(Texts[2], "Vyr Components");
}

}  // namespace
}  // namespace vyr::test
