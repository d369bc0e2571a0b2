#include "serial/TCommPortDriver.h"
#include "shell/FormSet.h"
#include "shell/Screenshots.h"
#include "shell/TUserForm.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTextStream>
#include <exception>

namespace {

// The simulated register answers on COM1 from inside this process.
bool StartSimulatedRegister() {
    QTextStream(stderr) << "orvex-commander: the simulated register is not part of this build yet, so COM1 "
                           "stays as it is; start with --port DEVICE to use a register on a serial device.\n";
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvex Commander"));
    QApplication::setApplicationVersion(QStringLiteral("1.90"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Orvex Commander: the PC side of an Orvex cash register."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(
        QStringLiteral("port"), QStringLiteral("Use DEVICE as COM1, e.g. /dev/ttyUSB0 or a pseudo-terminal."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"), QStringLiteral("Talk to a simulated register started in this process."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save pictures of every page in both languages to DIR, then end."),
        QStringLiteral("DIR"));
    parser.addOptions({port, simulate, screenshot});
    parser.process(app);

    if (parser.isSet(port))
        TCommPortDriver::SetDeviceOverride(pnCOM1, parser.value(port));
    // Without its register the program still runs: the user can pick a port.
    if (parser.isSet(simulate) && !parser.isSet(port))
        StartSimulatedRegister();

    try {
        FormSet forms;
        if (forms.StartupExitStatus() != 0)
            return forms.StartupExitStatus();
        if (parser.isSet(screenshot)) {
            const int written = SaveScreenshots(forms, parser.value(screenshot));
            QTextStream(stdout) << written << " pictures in " << parser.value(screenshot) << "\n";
            return written > 0 ? 0 : 1;
        }
        QObject::connect(&forms.UserForm(), &TUserForm::TerminateRequested, &app,
                         [] { QApplication::exit(0); });
        forms.UserForm().show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Orvex Commander"),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
