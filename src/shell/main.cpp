#include "serial/TCommPortDriver.h"
#include "shell/FormSet.h"
#include "shell/Screenshots.h"
#include "shell/TUserForm.h"
#include "sim/InProcessRegister.h"
#include "sim/SimCommandLine.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QMessageBox>
#include <QTextStream>
#include <cstring>
#include <exception>
#include <memory>

namespace {

// The simulated register answers on COM1 from inside this process, with the
// simulator's options of the command line; null (and said why) when it cannot.
std::unique_ptr<InProcessRegister> StartSimulatedRegister(const QCommandLineParser& parser) {
    SimOptions simOptions = InProcessRegister::ProgramDefaults();
    if (const QString error = SimCommandLine::Read(parser, simOptions); !error.isEmpty()) {
        QTextStream(stderr) << "orvex-commander: " << error << "\n";
        return nullptr;
    }
    // Here --trace is the program's own trace; the register writing the same
    // file as well would interleave the two.
    simOptions.TraceFile.clear();
    // Like a real register, it hears only its own speed, so that a wrong speed
    // shows here as it would in the shop.
    simOptions.StrictSpeed = true;
    auto simulator = std::make_unique<InProcessRegister>(simOptions);
    const QString device = simulator->Start();
    if (device.isEmpty()) {
        QTextStream(stderr) << "orvex-commander: the simulated register did not start: "
                            << simulator->ErrorString() << "\n";
        return nullptr;
    }
    TCommPortDriver::SetDeviceOverride(pnCOM1, device);
    return simulator;
}

struct Options {
    QCommandLineOption Port{QStringLiteral("port"),
                            QStringLiteral("Use DEVICE as COM1, e.g. /dev/ttyUSB0 or a pseudo-terminal."),
                            QStringLiteral("DEVICE")};
    QCommandLineOption Simulate{QStringLiteral("simulate"),
                                QStringLiteral("Talk to a simulated register started in this process.")};
    QCommandLineOption Screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Save pictures of every page in both languages to DIR, then end."),
        QStringLiteral("DIR")};
};

void Describe(QCommandLineParser& parser, const Options& options) {
    parser.setApplicationDescription(
        QStringLiteral("Orvex Commander: the PC side of an Orvex cash register."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({options.Port, options.Simulate, options.Screenshot});
    SimCommandLine::AddOptions(parser);
}

// --help and --version print and end; they need no display.
bool OnlyPrints(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

void SetNames() {
    QCoreApplication::setApplicationName(QStringLiteral("Orvex Commander"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.90"));
}

} // namespace

int main(int argc, char** argv) {
    const Options options;
    if (OnlyPrints(argc, argv)) {
        QCoreApplication app(argc, argv);
        SetNames();
        QCommandLineParser parser;
        Describe(parser, options);
        parser.process(app);
        return 0;
    }

    QApplication app(argc, argv);
    SetNames();
    // Desktops match the window to its menu entry by this name; the icon comes
    // from the installed icon theme, so a run from the build tree has none.
    QGuiApplication::setDesktopFileName(QStringLiteral("orvex-commander"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("orvex-commander")));
    QCommandLineParser parser;
    Describe(parser, options);
    parser.process(app);

    if (parser.isSet(options.Port))
        TCommPortDriver::SetDeviceOverride(pnCOM1, parser.value(options.Port));
    // Declared before the windows so that the register outlives them.
    std::unique_ptr<InProcessRegister> simulator;
    if (parser.isSet(options.Simulate) && !parser.isSet(options.Port)) {
        simulator = StartSimulatedRegister(parser);
        if (!simulator)
            return 2;
    }

    try {
        FormSet forms;
        if (forms.StartupExitStatus() != 0)
            return forms.StartupExitStatus();
        if (parser.isSet(options.Screenshot)) {
            const QString dir = parser.value(options.Screenshot);
            const int written = SaveScreenshots(forms, dir);
            QTextStream(stdout) << written << " pictures in " << dir << "\n";
            return written > 0 ? 0 : 1;
        }
        QObject::connect(&forms.UserForm(), &TUserForm::TerminateRequested, &app,
                         [] { QApplication::exit(0); });
        forms.UserForm().show();
        // A trace that cannot be written is said in a message; the program goes on without it.
        if (parser.isSet(QStringLiteral("trace")))
            forms.UserForm().StartTrace(parser.value(QStringLiteral("trace")));
        const int status = QApplication::exec();
        return status != 0 ? status : forms.UserForm().ExitStatus();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Orvex Commander"),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
