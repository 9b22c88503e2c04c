// GoogleTest main for the Qt Quick backend's C++ tests: one QGuiApplication for all of them (not
// made for --gtest_list_tests, so test discovery needs no platform).
#include <gtest/gtest.h>

#include <QtGui/QGuiApplication>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    bool Listing = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) Listing = true;
    }
    std::unique_ptr<QGuiApplication> App;
    if (!Listing) App = std::make_unique<QGuiApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
