// The UI tests' entry point: one QApplication for every test, then GoogleTest.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    // Tests run without a display unless the caller chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
