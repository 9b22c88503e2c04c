// Safe whole-file writing and reading of the host library: the old file survives every failed
// write, special files are never replaced, concurrent writers never mix, reads are bounded.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"
#include "vyr/host/FileIo.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
using host::EFileError;

std::string Slurp(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    std::ostringstream Out;
    Out << In.rdbuf();
    return Out.str();
}

void Put(const std::string& Path, const std::string& Text) { std::ofstream(Path, std::ios::binary) << Text; }

// The names in a folder, to see that no temporary file was left behind.
std::vector<std::string> Names(const fs::path& Folder) {
    std::vector<std::string> Result;
    for (const auto& Entry : fs::directory_iterator(Folder)) Result.push_back(Entry.path().filename().string());
    std::sort(Result.begin(), Result.end());
    return Result;
}

std::string WriteError(const std::string& Path, const std::string& Data) {
    try {
        host::WriteWholeFile(Path, Data);
    } catch (const EFileError& E) {
        return E.what();
    }
    return "";
}

// A small tmpfs that fills up; mounting needs root (as in CI). Unmounted at the end.
class TSmallDisk {
public:
    explicit TSmallDisk(const fs::path& Where) : FPath(Where) {
        fs::create_directories(FPath);
        FMounted = ::mount("tmpfs", FPath.c_str(), "tmpfs", 0, "size=64k") == 0;
        if (!FMounted) FWhy = std::strerror(errno);
    }
    ~TSmallDisk() {
        if (FMounted) ::umount2(FPath.c_str(), MNT_DETACH);
    }
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;
    [[nodiscard]] bool Mounted() const { return FMounted; }
    [[nodiscard]] const std::string& Why() const { return FWhy; }

private:
    fs::path FPath;
    bool FMounted = false;
    std::string FWhy;
};

TEST(FileWrite, FullDiskKeepsTheOldFileWholeAndLeavesNoTemporaryFile) {
    TScratchDir Dir;
    TSmallDisk Disk(Dir.Path() / "disk");
    if (!Disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs (needs root): " << Disk.Why();
    const std::string Good = (Dir.Path() / "disk" / "good.vfm").string();
    const std::string Old(4000, 'g');
    host::WriteWholeFile(Good, Old);
    // Fill the disk, then write a larger file over the good one.
    const std::string Filler = (Dir.Path() / "disk" / "filler").string();
    {
        std::ofstream Fill(Filler, std::ios::binary);
        const std::string Block(1024, 'f');
        while (Fill.write(Block.data(), static_cast<std::streamsize>(Block.size()))) {}
    }
    const std::string Message = WriteError(Good, std::string(30000, 'n'));
    EXPECT_EQ(Message, "cannot write " + Good + ": " + std::strerror(ENOSPC));
    EXPECT_EQ(Slurp(Good), Old);
    EXPECT_EQ(Names(Dir.Path() / "disk"), (std::vector<std::string>{"filler", "good.vfm"}));
}

TEST(FileWrite, DevFullReportsNoSpaceAndStaysADevice) {
    struct stat Before {};
    if (::stat("/dev/full", &Before) != 0 || !S_ISCHR(Before.st_mode)) GTEST_SKIP() << "no /dev/full here";
    EXPECT_EQ(WriteError("/dev/full", "Hi"), std::string("cannot write /dev/full: ") + std::strerror(ENOSPC));
    struct stat After {};
    ASSERT_EQ(::stat("/dev/full", &After), 0);
    EXPECT_TRUE(S_ISCHR(After.st_mode));
    EXPECT_EQ(After.st_rdev, Before.st_rdev);
}

TEST(FileWrite, FifoIsStreamedToItsReaderNotReplaced) {
    TScratchDir Dir;
    const std::string Fifo = Dir.File("pipe");
    ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
    const std::string Data(200000, 'x');
    std::string Got;
    std::thread Reader([&] { Got = Slurp(Fifo); });
    host::WriteWholeFile(Fifo, Data);
    Reader.join();
    EXPECT_EQ(Got, Data);
    struct stat Info {};
    ASSERT_EQ(::lstat(Fifo.c_str(), &Info), 0);
    EXPECT_TRUE(S_ISFIFO(Info.st_mode));
    EXPECT_EQ(Names(Dir.Path()), std::vector<std::string>{"pipe"});
}

TEST(FileWrite, SymlinkIsFollowedAndItsTargetReplaced) {
    TScratchDir Dir;
    fs::create_directories(Dir.Path() / "real");
    Put(Dir.File("real/target.png"), "old");
    // A chain of two links, the second one relative to its own folder.
    fs::create_symlink("real/target.png", Dir.Path() / "inner");
    fs::create_symlink(Dir.Path() / "inner", Dir.Path() / "outer");
    host::WriteWholeFile(Dir.File("outer"), "new");
    EXPECT_TRUE(fs::is_symlink(Dir.Path() / "outer"));
    EXPECT_TRUE(fs::is_symlink(Dir.Path() / "inner"));
    EXPECT_EQ(Slurp(Dir.File("real/target.png")), "new");
    EXPECT_EQ(Names(Dir.Path() / "real"), std::vector<std::string>{"target.png"});
    // A dangling link creates its target.
    fs::create_symlink("real/made.txt", Dir.Path() / "dangling");
    host::WriteWholeFile(Dir.File("dangling"), "made");
    EXPECT_EQ(Slurp(Dir.File("real/made.txt")), "made");
    // A loop is an error, not a hang.
    fs::create_symlink("loop2", Dir.Path() / "loop1");
    fs::create_symlink("loop1", Dir.Path() / "loop2");
    EXPECT_EQ(WriteError(Dir.File("loop1"), "x"), "cannot write " + Dir.File("loop1") + ": " + std::strerror(ELOOP));
}

TEST(FileWrite, UsersOwnPartFileAndNeighboursAreLeftAlone) {
    TScratchDir Dir;
    Put(Dir.File("out.png.part"), "mine");
    Put(Dir.File("out.png"), "old");
    host::WriteWholeFile(Dir.File("out.png"), "new");
    EXPECT_EQ(Slurp(Dir.File("out.png.part")), "mine");
    EXPECT_EQ(Slurp(Dir.File("out.png")), "new");
    EXPECT_EQ(Names(Dir.Path()), (std::vector<std::string>{"out.png", "out.png.part"}));
}

TEST(FileWrite, ErrorsNameTheFileAndTheSystemsReason) {
    TScratchDir Dir;
    fs::create_directories(Dir.Path() / "adir");
    struct TCase {
        std::string Path;
        int Error;
    };
    const TCase Cases[] = {
        {Dir.File("missing/x.gif"), ENOENT},
        {Dir.File("adir"), EISDIR},
        {Dir.File("adir/"), EISDIR},
        {Dir.File("nothing/"), EISDIR},
        {"", ENOENT},
    };
    for (const auto& Case : Cases) {
        const std::string Shown = Case.Path.empty() ? "''" : Case.Path;
        EXPECT_EQ(WriteError(Case.Path, "x"), "cannot write " + Shown + ": " + std::strerror(Case.Error)) << Shown;
    }
    EXPECT_EQ(Names(Dir.Path()), std::vector<std::string>{"adir"});
    EXPECT_TRUE(fs::is_empty(Dir.Path() / "adir"));
}

TEST(FileWrite, WriterDestroyedWithoutCommitKeepsTheOldFile) {
    TScratchDir Dir;
    Put(Dir.File("f"), "old");
    {
        host::TFileWriter Writer(Dir.File("f"));
        Writer.Write(std::string(100000, 'n'));
    }
    EXPECT_EQ(Slurp(Dir.File("f")), "old");
    EXPECT_EQ(Names(Dir.Path()), std::vector<std::string>{"f"});
}

TEST(FileWrite, ReplacedFileKeepsItsModeAndNewFileFollowsTheUmask) {
    TScratchDir Dir;
    Put(Dir.File("kept"), "old");
    fs::permissions(Dir.Path() / "kept", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    host::WriteWholeFile(Dir.File("kept"), "new");
    EXPECT_EQ(fs::status(Dir.Path() / "kept").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const mode_t Mask = ::umask(022);
    ::umask(Mask);
    host::WriteWholeFile(Dir.File("fresh"), "new");
    struct stat Info {};
    ASSERT_EQ(::stat(Dir.File("fresh").c_str(), &Info), 0);
    EXPECT_EQ(Info.st_mode & 0777, 0666 & ~Mask);
}

TEST(FileWrite, ConcurrentWritersNeverShareATemporaryFileOrMixContents) {
    TScratchDir Dir;
    const std::string Path = Dir.File("same.png");
    constexpr int Writers = 6;
    constexpr int Rounds = 15;
    std::atomic<int> Failures{0};
    std::vector<std::thread> Threads;
    for (int W = 0; W < Writers; ++W) {
        Threads.emplace_back([&, W] {
            // Each writer's files differ in length and bytes, so a mix is seen.
            const std::string Data(150000 + static_cast<std::size_t>(W) * 997, static_cast<char>('a' + W));
            for (int R = 0; R < Rounds; ++R) {
                try {
                    host::WriteWholeFile(Path, Data);
                } catch (const EFileError&) {
                    ++Failures;
                }
            }
        });
    }
    for (auto& T : Threads) T.join();
    EXPECT_EQ(Failures.load(), 0);
    const std::string Got = Slurp(Path);
    ASSERT_FALSE(Got.empty());
    const int W = Got[0] - 'a';
    EXPECT_EQ(Got, std::string(150000 + static_cast<std::size_t>(W) * 997, Got[0]));
    EXPECT_EQ(Names(Dir.Path()), std::vector<std::string>{"same.png"});
}

TEST(FileRead, SpecialFilesAndOversizedFilesAreRefusedWithoutBlocking) {
    TScratchDir Dir;
    fs::create_directories(Dir.Path() / "adir");
    ASSERT_EQ(::mkfifo(Dir.File("fifo").c_str(), 0600), 0);
    Put(Dir.File("big"), std::string(101, 'b'));
    Put(Dir.File("fits"), std::string(100, 'f'));
    struct TCase {
        std::string Path;
        std::string Expected;  // the message, or the content when it starts with '='
    };
    const TCase Cases[] = {
        {Dir.File("fits"), "=" + std::string(100, 'f')},
        {Dir.File("adir"), "cannot read " + Dir.File("adir") + ": " + std::strerror(EISDIR)},
        {Dir.File("fifo"), "cannot read " + Dir.File("fifo") + ": not a regular file (a FIFO)"},
        {"/dev/zero", "cannot read /dev/zero: not a regular file (a character device)"},
        {Dir.File("big"), "cannot read " + Dir.File("big") + ": larger than the limit of 100 bytes"},
        {Dir.File("none"), "cannot read " + Dir.File("none") + ": " + std::strerror(ENOENT)},
    };
    for (const auto& Case : Cases) {
        std::string Got;
        try {
            Got = "=" + host::ReadWholeFile(Case.Path, 100);
        } catch (const EFileError& E) {
            Got = E.what();
        }
        EXPECT_EQ(Got, Case.Expected) << Case.Path;
    }
}

}  // namespace
}  // namespace vyr::test
