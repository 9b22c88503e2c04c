// Host services behind the package: module file names, package information, unit tables,
// the palette and bitmap decoding, each on its own.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "vyr/host/Graphics.h"
#include "vyr/host/Module.h"
#include "vyr/host/Package.h"
#include "vyr/host/Registry.h"

namespace vyr::test {
namespace {

using host::HMODULE;

// ---- GetModuleFileNameA ---------------------------------------------------------------------------

TEST(ModuleFileName, CopiesAtMostTheBufferLessOneAndAlwaysEndsWithNul) {
    const HMODULE Host = host::ModuleOfAddress(reinterpret_cast<const void*>(&host::RegisterModule));
    const std::string Path = host::ModuleFileName(Host);
    ASSERT_NE(Path.find("libvyrhost.so"), std::string::npos);
    ASSERT_EQ(Path.front(), '/');
    const auto N = static_cast<std::uint32_t>(Path.size());
    struct TCase {
        std::uint32_t Size;
        std::uint32_t Result;
        std::string Copied;
    };
    for (const auto& Case : {TCase{1, 1, ""}, TCase{5, 5, Path.substr(0, 4)}, TCase{N, N, Path.substr(0, N - 1)},
                             TCase{N + 1, N, Path}, TCase{261 + N, N, Path}}) {
        std::vector<char> Buffer(Case.Size + 8, '#');
        EXPECT_EQ(host::GetModuleFileNameA(Host, Buffer.data(), Case.Size), Case.Result) << "size " << Case.Size;
        EXPECT_EQ(std::string(Buffer.data()), Case.Copied) << "size " << Case.Size;
        EXPECT_EQ(Buffer[Case.Size], '#') << "wrote past the buffer of " << Case.Size;
    }
    char Buffer[8] = "#######";
    EXPECT_EQ(host::GetModuleFileNameA(0x10, Buffer, sizeof Buffer), 0U) << "unknown module";
    EXPECT_EQ(Buffer[0], '\0');
    EXPECT_EQ(host::GetModuleFileNameA(Host, Buffer, 0), 0U);
    EXPECT_EQ(Buffer[0], '\0');
    EXPECT_FALSE(host::ModuleFileName(0).empty()) << "module 0 is the program";
}

// ---- Package information ----------------------------------------------------------------------------

std::vector<std::uint8_t> Good() {
    host::TPackageInfo Info;
    Info.Flags = 0x4C000001;
    Info.Requires = {{host::PackageNameHash("vcl40"), "vcl40"}};
    Info.Contains = {{3, host::PackageNameHash("VyrComponents"), "VyrComponents"},
                     {0, host::PackageNameHash("CharSet"), "CharSet"}};
    return host::BuildPackageInfo(Info);
}

struct TInfoCase {
    const char* Name;
    std::vector<std::uint8_t> Data;
    const char* Message;
};
void PrintTo(const TInfoCase& Case, std::ostream* Os) { *Os << Case.Name; }

class PackageInfoRejects : public testing::TestWithParam<TInfoCase> {};

TEST_P(PackageInfoRejects, MalformedData) {
    try {
        host::ParsePackageInfo(GetParam().Data);
        FAIL() << "accepted";
    } catch (const host::EPackageError& E) {
        EXPECT_NE(std::string(E.what()).find(GetParam().Message), std::string::npos) << E.what();
    }
}

std::vector<std::uint8_t> Changed(std::size_t At, std::uint8_t Value) {
    auto D = Good();
    D.at(At) = Value;
    return D;
}
std::vector<std::uint8_t> Cut(std::size_t Drop) {
    auto D = Good();
    D.resize(D.size() - Drop);
    return D;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, PackageInfoRejects,
    testing::Values(TInfoCase{"Empty", {}, "the flags is missing"},
                    TInfoCase{"NoUnitCount", {1, 0, 0, 0x4C, 0, 0, 0, 0}, "the count of contained units is missing"},
                    TInfoCase{"HugeRequireCount", Changed(7, 0x7F), "impossible count of required packages"},
                    TInfoCase{"NegativeRequireCount", Changed(7, 0xFF), "impossible count of required packages"},
                    TInfoCase{"NameWithoutNul", Cut(1), "has no terminating NUL"},
                    TInfoCase{"WrongHash", Changed(8, 0), "hash code"},
                    TInfoCase{"EmptyName", Changed(9, 0), "is empty"},
                    TInfoCase{"BytesLeftOver", [] { auto D = Good(); D.push_back(0); return D; }(), "1 bytes left over"}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(PackageInfo, BuildAndParseAreInverse) {
    const auto Info = host::ParsePackageInfo(Good());
    EXPECT_EQ(host::BuildPackageInfo(Info), Good());
    EXPECT_EQ(Info.Contains.at(1).Name, "CharSet");
    EXPECT_EQ(host::PackageNameHash("charset"), host::PackageNameHash("CHARSET")) << "case does not count";
    EXPECT_NE(host::PackageNameHash("CharSet"), host::PackageNameHash("EditMatrix"));
}

// ---- Unit tables ------------------------------------------------------------------------------------

std::vector<std::string> Trace;
template <int I>
void Up() {
    Trace.push_back("up" + std::to_string(I));
    if (I == 2) throw std::runtime_error("unit 2 cannot start");
}
template <int I>
void Down() {
    Trace.push_back("down" + std::to_string(I));
}

TEST(UnitTable, StartUpFailureShutsDownWhatStartedAndReportsIt) {
    const host::TPackageUnitEntry Entries[] = {
        {&Up<0>, &Down<0>}, {nullptr, nullptr}, {&Up<1>, &Down<1>}, {&Up<2>, &Down<2>}, {&Up<3>, &Down<3>}};
    const host::TPackageInfoTable Table{5, Entries};
    Trace.clear();
    EXPECT_THROW(host::PackageLoad(&Table), std::runtime_error);
    EXPECT_EQ(Trace, (std::vector<std::string>{"up0", "up1", "up2", "down1", "down0"}));
    Trace.clear();
    host::PackageUnload(&Table);
    EXPECT_TRUE(Trace.empty()) << "a table that did not start is not shut down";
}

TEST(UnitTable, NestedLoadsStartAndStopOnce) {
    const host::TPackageUnitEntry Entries[] = {{&Up<0>, &Down<0>}, {&Up<1>, &Down<1>}};
    const host::TPackageInfoTable Table{2, Entries};
    Trace.clear();
    host::PackageLoad(&Table);
    host::PackageLoad(&Table);
    host::PackageUnload(&Table);
    EXPECT_EQ(Trace, (std::vector<std::string>{"up0", "up1"}));
    host::PackageUnload(&Table);
    EXPECT_EQ(Trace, (std::vector<std::string>{"up0", "up1", "down1", "down0"}));
    host::PackageUnload(&Table);
    EXPECT_EQ(Trace.size(), 4U);
}

// ---- Palette ----------------------------------------------------------------------------------------

class TProbeA : public host::TComponent {
public:
    using TComponent::TComponent;
    [[nodiscard]] std::string_view ClassName() const override { return "TProbeA"; }
};
class TProbeB : public TProbeA {
public:
    using TProbeA::TProbeA;
    [[nodiscard]] std::string_view ClassName() const override { return "TProbeB"; }
};

TEST(Palette, ConflictingRegistrationChangesNothing) {
    const auto A = host::ComponentClassOf<TProbeA>("TProbeA");
    const auto B = host::ComponentClassOf<TProbeB>("TProbeB");
    host::RegisterComponents("Probes", {A});
    host::RegisterComponents("Probes", {A});  // the same class again: harmless
    // TProbeB would be fine, but a second factory under the name TProbeA is not.
    EXPECT_THROW(host::RegisterComponents("Other", {B, host::TComponentClass{"TProbeA", B.Create}}),
                 host::EComponentError);
    EXPECT_EQ(host::PaletteClasses("Probes"), std::vector<std::string>{"TProbeA"});
    EXPECT_TRUE(host::PaletteClasses("Other").empty());
    EXPECT_FALSE(host::FindComponentClass("TProbeB"));
    EXPECT_THROW(host::RegisterComponents("", {B}), host::EComponentError);
    EXPECT_THROW(host::RegisterComponents("Probes", {host::TComponentClass{"TProbeC", nullptr}}),
                 host::EComponentError);

    host::RegisterComponents("Probes", {B});
    EXPECT_EQ(host::PaletteClasses("Probes"), (std::vector<std::string>{"TProbeA", "TProbeB"}));
    std::unique_ptr<host::TComponent> Made(host::CreateComponent("TProbeB", nullptr));
    EXPECT_EQ(Made->ClassName(), "TProbeB");
    EXPECT_TRUE(host::UnregisterComponentClass("TProbeA"));
    EXPECT_TRUE(host::UnregisterComponentClass("TProbeB"));
    EXPECT_FALSE(host::UnregisterComponentClass("TProbeB"));
    EXPECT_TRUE(host::PalettePages().empty());
}

// ---- Bitmaps ----------------------------------------------------------------------------------------

// A 2 x 2 bitmap of 4 bits a pixel, bottom-up: top row colours 1, 2; bottom row 3, 0.
std::vector<std::uint8_t> TinyDib() {
    std::vector<std::uint8_t> D(40 + 16 * 4 + 2 * 4, 0);
    auto Put32 = [&](std::size_t At, std::uint32_t V) {
        for (int I = 0; I < 4; ++I) D[At + static_cast<std::size_t>(I)] = static_cast<std::uint8_t>(V >> (8 * I));
    };
    Put32(0, 40);
    Put32(4, 2);
    Put32(8, 2);
    D[12] = 1;
    D[14] = 4;
    Put32(40 + 4, 0x0000FF);  // colour 1: blue, green, red, 0 -> blue
    Put32(40 + 8, 0x00FF00);
    Put32(40 + 12, 0xFF0000);
    D[104] = 0x30;  // bottom row
    D[108] = 0x12;  // top row
    return D;
}

TEST(Dib, DecodesSixteenColourRowsBottomUp) {
    host::TBitmap B;
    ASSERT_TRUE(host::LoadBitmapFromDib(TinyDib(), B));
    EXPECT_EQ(B.Pixel(0, 0), 0xFF0000U) << "blue";
    EXPECT_EQ(B.Pixel(1, 0), 0x00FF00U);
    EXPECT_EQ(B.Pixel(0, 1), 0x0000FFU);
    EXPECT_EQ(B.Pixel(1, 1), 0U);
}

TEST(Dib, RejectsTruncatedOrUnsupportedDataAndLeavesTheBitmap) {
    struct TCase {
        const char* Name;
        std::size_t At;
        int Value;  // -1: cut the data to At bytes
    };
    for (const auto& Case : {TCase{"cut in the pixels", 110, -1}, TCase{"cut in the header", 20, -1},
                             TCase{"compressed", 16, 2}, TCase{"3 bits", 14, 3}, TCase{"zero width", 4, 0},
                             TCase{"too many colours", 32, 17}, TCase{"small header", 0, 12}}) {
        auto D = TinyDib();
        if (Case.Value < 0) {
            D.resize(Case.At);
        } else {
            D[Case.At] = static_cast<std::uint8_t>(Case.Value);
        }
        host::TBitmap B;
        B.SetSize(3, 1);
        EXPECT_FALSE(host::LoadBitmapFromDib(D, B)) << Case.Name;
        EXPECT_EQ(B.Width(), 3) << Case.Name;
    }
}

}  // namespace
}  // namespace vyr::test
