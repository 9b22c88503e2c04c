// `vyrmatrix package`: the unit-name table of a loaded package is checked before it is read, and
// the command reports every failure as one line with exit status 1, like the other commands.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_support.h"
#include "package_command.h"
#include "session.h"

namespace vyr::cli {
namespace {

using test::RunTool;
using test::TRunResult;
using test::TScratchDir;

// The message ReadUnitNames raises, or "" when it accepts the table.
std::string Rejection(const char* const* Names, std::int64_t Count, std::int64_t UnitCount) {
    try {
        (void)ReadUnitNames(Names, Count, UnitCount);
        return "";
    } catch (const TRunError& E) {
        return E.what();
    }
}

TEST(PackageUnitNames, ASoundTableIsReadWithItsEmptyNames) {
    const char* const Names[] = {"", "System", "CharSet", "EditMatrix"};
    EXPECT_EQ(ReadUnitNames(Names, 4, 4), (std::vector<std::string>{"", "System", "CharSet", "EditMatrix"}));
    EXPECT_TRUE(ReadUnitNames(nullptr, 0, 0).empty()) << "a package without units has an empty table";
}

TEST(PackageUnitNames, AMalformedTableIsAnErrorNotARead) {
    const char* const WithHole[] = {"System", nullptr, "CharSet"};
    EXPECT_EQ(Rejection(WithHole, 3, 3), "the package's unit-name table has no name at entry 1");
    EXPECT_EQ(Rejection(WithHole, 1, 3), "the package's unit names have 1 entries, but its unit table has 3")
        << "a table shorter than the unit table is never indexed by a unit";
    EXPECT_EQ(Rejection(WithHole, 5, 3), "the package's unit names have 5 entries, but its unit table has 3");
    EXPECT_EQ(Rejection(nullptr, 3, 3), "the package's unit-name table is missing (null)");
    EXPECT_EQ(Rejection(WithHole, -1, -1), "the package's unit table has an impossible count of -1 units");
    EXPECT_EQ(Rejection(WithHole, MaxUnits + 1, MaxUnits + 1),
              "the package's unit table has an impossible count of 4097 units");

    // A name that does not end within the bound: only the bound is read.
    std::vector<char> Endless(MaxUnitNameLength + 8, 'A');
    const char* const Unterminated[] = {"System", Endless.data()};
    EXPECT_EQ(Rejection(Unterminated, 2, 2),
              "the package's unit-name table has no name of at most 255 characters at entry 1");
    Endless[MaxUnitNameLength] = '\0';
    EXPECT_EQ(ReadUnitNames(Unterminated, 2, 2)[1].size(), MaxUnitNameLength) << "the longest name allowed";
}

TEST(PackageCommand, ListsTheLoadedPackageAndUnloadsIt) {
    const TRunResult R = RunTool({"package", VYR_PACKAGE_FILE});
    ASSERT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Err, "");
    EXPECT_NE(R.Out.find("  30  CharSet              -1\n  31  EditMatrix           -1\n"), std::string::npos) << R.Out;
    EXPECT_NE(R.Out.find("  Vyr-Components: TCharSet, TEditMatrix\n"), std::string::npos) << R.Out;
    EXPECT_NE(R.Out.find("Unloaded     32 units shut down (31 down to 0); module unregistered"), std::string::npos)
        << R.Out;
}

TEST(PackageCommand, FailuresAreOneLineWithStatusOne) {
    TScratchDir Dir;
    const std::string NotALibrary = Dir.File("not-a-package.bpl");
    {
        std::FILE* F = std::fopen(NotALibrary.c_str(), "w");
        ASSERT_NE(F, nullptr);
        std::fputs("plain text\n", F);
        std::fclose(F);
    }
    for (const std::string& Path : {Dir.File("missing.bpl"), NotALibrary}) {
        const TRunResult R = RunTool({"package", Path});
        EXPECT_EQ(R.Status, 1) << Path;
        ASSERT_EQ(R.ErrLines().size(), 1U) << R.Err;
        EXPECT_EQ(R.ErrLines()[0].rfind("vyrmatrix: package: " + Path + ": cannot load the package: ", 0), 0U) << R.Err;
        EXPECT_EQ(R.Out, "") << "nothing is listed for a package that did not load";
    }
    const TRunResult Extra = RunTool({"package", "a.bpl", "b.bpl"});
    EXPECT_EQ(Extra.Status, 2);
    EXPECT_EQ(Extra.Err, "vyrmatrix: package: unexpected argument 'b.bpl' (one PATH at most)\n");
}

// A bare file name went to dlopen as it was, which searched the library path instead of the
// current folder: "cannot open shared object file".
TEST(PackageCommand, BareFileNameLoadsTheFileInTheCurrentFolder) {
    TScratchDir Dir;
    std::filesystem::copy_file(VYR_PACKAGE_FILE, Dir.Path() / "fake.bpl");
    const TRunResult R = RunTool({"package", "fake.bpl"}, "", Dir.Path().string());
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_NE(R.Out.find("  Vyr-Components: TCharSet, TEditMatrix\n"), std::string::npos) << R.Out;
}

}  // namespace
}  // namespace vyr::cli
