// vyrmatrix-qt without a display: one line that says why and exit status 1, where Qt's own
// platform start-up aborted the process (SIGABRT, a core file).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/wait.h>

#include <cstdio>

namespace vyr::cli {
namespace {

struct TNoDisplayCase {
    const char* Environment;  // put before the command by env(1)
    const char* Said;
};

TEST(QtDemoStart, WithoutADisplayExitsWithAMessageInsteadOfAborting) {
    const TNoDisplayCase Cases[] = {
        {"-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", "no display to open a window on"},
        {"-u WAYLAND_DISPLAY -u DISPLAY QT_QPA_PLATFORM=xcb", "no display to open a window on"},
        // A display that is named but cannot be reached: Qt's own failure, caught.
        {"-u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:73", "cannot open a window"},
    };
    for (const auto& Case : Cases) {
        const std::string Command =
            std::string("env ") + Case.Environment + " '" + VYRMATRIX_QT_BINARY + "' --quit-after 1000 2>&1 >/dev/null";
        std::string Err;
        std::FILE* Pipe = ::popen(Command.c_str(), "r");
        ASSERT_NE(Pipe, nullptr);
        char Buffer[512];
        while (std::fgets(Buffer, sizeof Buffer, Pipe)) Err += Buffer;
        const int Status = ::pclose(Pipe);
        ASSERT_TRUE(WIFEXITED(Status)) << Case.Environment << ": ended by a signal\n" << Err;
        EXPECT_EQ(WEXITSTATUS(Status), 1) << Case.Environment << "\n" << Err;
        EXPECT_EQ(Err.rfind(std::string("vyrmatrix-qt: ") + Case.Said, 0), 0U) << Err;
        EXPECT_EQ(Err.find('\n'), Err.size() - 1) << "one line: " << Err;
    }
}

}  // namespace
}  // namespace vyr::cli
