// GoogleTest main for the Qt tests: the QApplication lives for the whole run. Listing the tests
// (CTest's discovery) makes none, so it works without a display platform.
#include <gtest/gtest.h>

#include <QtWidgets/QApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    QApplication App(argc, argv);
    return RUN_ALL_TESTS();
}
