#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvex Commander"));
    QTextStream(stdout) << "Orvex Commander: the main window is not built yet; "
                           "only the serial link and its codecs exist so far.\n";
    return 0;
}
