#include <QCoreApplication>
#include <gtest/gtest.h>

// The application object the tests run under. A GUI test executable provides
// its own factory (QApplication on the offscreen platform) by defining this.
QCoreApplication* CreateTestApplication(int& argc, char** argv) __attribute__((weak));
QCoreApplication* CreateTestApplication(int& argc, char** argv) {
    return new QCoreApplication(argc, argv);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication* app = CreateTestApplication(argc, argv);
    const int result = RUN_ALL_TESTS();
    delete app;
    return result;
}
