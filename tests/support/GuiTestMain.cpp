#include <QApplication>

QCoreApplication* CreateTestApplication(int& argc, char** argv) {
    return new QApplication(argc, argv);
}
