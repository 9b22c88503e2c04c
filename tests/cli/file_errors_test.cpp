// The files vyrmatrix writes and reads: every failure names the file and the system's reason,
// special files are neither replaced nor read without bound, a failed save keeps the old file.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_support.h"

namespace vyr::cli::test {
namespace {

namespace fs = std::filesystem;

struct TFileCase {
    std::vector<std::string> Args;  // "@" in an argument stands for the scratch folder
    int Status;
    std::string Said;  // what the one error line must hold
};

std::string Expand(const std::string& Arg, const std::string& Dir) {
    std::string Out = Arg;
    for (std::size_t At = Out.find('@'); At != std::string::npos; At = Out.find('@', At + Dir.size())) {
        Out.replace(At, 1, Dir);
    }
    return Out;
}

TEST(ToolFiles, EveryFileFailureNamesTheFileAndTheReason) {
    TScratchDir Dir;
    fs::create_directories(Dir.Path() / "adir");
    fs::create_directories(Dir.Path() / "adir.png");
    ASSERT_EQ(::mkfifo(Dir.File("fifo").c_str(), 0600), 0);
    const std::string NoEntry = std::strerror(ENOENT);
    const std::string IsDir = std::strerror(EISDIR);
    const TFileCase Cases[] = {
        {{"render", "--save", "@/missing/out.png"}, 1, "@/missing/out.png: " + NoEntry},
        {{"render", "--save", "@/adir.png"}, 1, "@/adir.png: " + IsDir},
        {{"render", "--save", "@/missing/out.ppm"}, 1, "@/missing/out.ppm: " + NoEntry},
        {{"render", "--save-form", "@/missing/f.vfm", "--paint"},
         1,
         "@/missing/f.vfm:0: cannot write the file: " + NoEntry},
        {{"render", "--save-form", "@/adir", "--paint"}, 1, "@/adir:0: cannot write the file: " + IsDir},
        {{"gif", "Hi", "--frames", "2", "-o", "@/missing/x.gif"}, 1, "@/missing/x.gif: " + NoEntry},
        {{"render", "--load-form", "@/missing.vfm", "--state"},
         2,
         "@/missing.vfm': cannot open the form file: " + NoEntry},
        {{"render", "--load-form", "@/adir", "--state"}, 2, "@/adir': cannot read the form file: not a regular file"},
        {{"render", "--load-form", "@/fifo", "--state"}, 2, "@/fifo': cannot read the form file: not a regular file"},
        {{"render", "--load-form", "/dev/zero", "--state"},
         2,
         "/dev/zero': cannot read the form file: not a regular file"},
    };
    const std::string Root = Dir.Path().string();
    for (const auto& Case : Cases) {
        std::vector<std::string> Args;
        for (const auto& A : Case.Args) Args.push_back(Expand(A, Root));
        const TRunResult R = RunTool(Args, "", "", 10000);
        const std::string Said = Expand(Case.Said, Root);
        EXPECT_FALSE(R.TimedOut) << Said;
        EXPECT_EQ(R.Status, Case.Status) << Said << "\n" << R.Err;
        ASSERT_EQ(R.ErrLines().size(), 1U) << R.Err;
        EXPECT_NE(R.Err.find(Said), std::string::npos) << R.Err;
    }
    std::vector<std::string> Left;
    for (const auto& E : fs::directory_iterator(Dir.Path())) Left.push_back(E.path().filename().string());
    std::sort(Left.begin(), Left.end());
    EXPECT_EQ(Left, (std::vector<std::string>{"adir", "adir.png", "fifo"}));
    EXPECT_TRUE(fs::is_empty(Dir.Path() / "adir"));
}

TEST(ToolFiles, GifToDevFullFailsAndLeavesTheDeviceNode) {
    struct stat Before {};
    if (::stat("/dev/full", &Before) != 0 || !S_ISCHR(Before.st_mode)) GTEST_SKIP() << "no /dev/full";
    const TRunResult R = RunTool({"gif", "Hi", "--frames", "2", "-o", "/dev/full"});
    EXPECT_EQ(R.Status, 1);
    EXPECT_NE(R.Err.find(std::string("/dev/full: ") + std::strerror(ENOSPC)), std::string::npos) << R.Err;
    struct stat After {};
    ASSERT_EQ(::stat("/dev/full", &After), 0);
    EXPECT_TRUE(S_ISCHR(After.st_mode));
    EXPECT_EQ(After.st_rdev, Before.st_rdev);
}

TEST(ToolFiles, PngThroughASymlinkReplacesTheTargetAndKeepsTheLink) {
    TScratchDir Dir;
    { std::ofstream(Dir.File("real.png")) << "old"; }
    fs::create_symlink("real.png", Dir.Path() / "link.png");
    const TRunResult R = RunTool({"render", "--save", Dir.File("link.png")});
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_TRUE(fs::is_symlink(Dir.Path() / "link.png"));
    EXPECT_EQ(ReadFile(Dir.File("real.png")).substr(1, 3), "PNG");
}

// The reproduction of a good form destroyed by a save on a full disk: the failed save must
// say why and leave the good form loadable.
TEST(ToolFiles, SaveFormOnAFullDiskKeepsTheGoodFormLoadable) {
    TScratchDir Dir;
    const fs::path Disk = Dir.Path() / "disk";
    fs::create_directories(Disk);
    if (::mount("tmpfs", Disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs (needs root): " << std::strerror(errno);
    }
    const std::string Good = (Disk / "good.vfm").string();
    EXPECT_EQ(RunTool({"render", "--save-form", Good, "--set", "Text=good"}).Status, 0);
    {
        std::ofstream Fill((Disk / "filler").string(), std::ios::binary);
        const std::string Block(1024, 'f');
        while (Fill.write(Block.data(), static_cast<std::streamsize>(Block.size()))) {}
    }
    const TRunResult Full =
        RunTool({"render", "--save-form", Good, "--set", "Text=" + std::string(30000, 'n'), "--paint"});
    EXPECT_EQ(Full.Status, 1);
    EXPECT_NE(Full.Err.find(std::string("cannot write the file: ") + std::strerror(ENOSPC)), std::string::npos)
        << Full.Err;
    const TRunResult Load = RunTool({"render", "--load-form", Good, "--state"});
    EXPECT_EQ(Load.Status, 0) << Load.Err;
    EXPECT_NE(Load.Out.find("\"Text\":\"good\""), std::string::npos) << Load.Out;
    ::umount2(Disk.c_str(), MNT_DETACH);
}

// A form too large for the memory at hand was reported as "bad argument ...: std::bad_alloc".
TEST(ToolFiles, OutOfMemoryWhileLoadingAFormIsReportedAsSuch) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory does not fit under an address-space limit";
#else
    TScratchDir Dir;
    {
        std::ofstream Form(Dir.File("huge.vfm"), std::ios::binary);
        Form << "object M: TEditMatrix\n  Text = \"" << std::string(2'000'000, 'A') << "\"\nend\n";
    }
    const std::string Command = "ulimit -v 400000; exec '" + std::string(VYRMATRIX_BINARY) + "' render --load-form '" +
                                Dir.File("huge.vfm") + "' --state 2>&1 >/dev/null";
    std::FILE* Pipe = ::popen(Command.c_str(), "r");
    ASSERT_NE(Pipe, nullptr);
    std::string Err;
    char Buffer[512];
    while (std::fgets(Buffer, sizeof Buffer, Pipe)) Err += Buffer;
    const int Status = ::pclose(Pipe);
    ASSERT_TRUE(WIFEXITED(Status)) << Err;
    EXPECT_EQ(WEXITSTATUS(Status), 1) << Err;
    EXPECT_NE(Err.find("out of memory"), std::string::npos) << Err;
    EXPECT_EQ(Err.find("bad_alloc"), std::string::npos) << Err;
#endif
}

}  // namespace
}  // namespace vyr::cli::test
