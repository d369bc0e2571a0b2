#include "history/HistoryPage.h"
#include "history/HistoryTarget.h"
#include "protocol/RegisterFinder.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/TCommPortDriver.h"
#include "session/RegisterSession.h"
#include "shell/FormSet.h"
#include "shell/KeptSettings.h"
#include "shell/MainMenus.h"
#include "shell/Screenshots.h"
#include "shell/TUserForm.h"
#include "shell/WindowGateway.h"
#include "shell/WindowHistory.h"
#include "sim/InProcessRegister.h"
#include "sim/SimCommandLine.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QSettings>
#include <QTextStream>
#include <cstring>
#include <exception>
#include <memory>

namespace {

// The simulated register answers on COM1 from inside this process, with the
// simulator's options of the command line; null (and said why) when it cannot.
// lineSpeed: the program's own, which the register hears unless --speed says otherwise.
std::unique_ptr<InProcessRegister> StartSimulatedRegister(const QCommandLineParser& parser, int lineSpeed) {
    SimOptions simOptions = InProcessRegister::ProgramDefaults();
    if (lineSpeed > 0)
        simOptions.Speed = uint32_t(lineSpeed);
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
    QCommandLineOption DataDir{QStringLiteral("data-dir"),
                               QStringLiteral("Keep pludb.dat, ComOpts.ini and history.sqlite in DIR (made "
                                              "when missing) instead of the working directory."),
                               QStringLiteral("DIR")};
    QCommandLineOption History{
        QStringLiteral("history"),
        QStringLiteral("Keep the sales history at URL: postgresql://USER@HOST/DB (or "
                       "postgresql://USER@/DB?host=/socket/folder&port=N) for one server shared by several "
                       "shop PCs, or sqlite:FILE; history.sqlite in the data folder without it."),
        QStringLiteral("URL")};
    QCommandLineOption Fresh{
        QStringLiteral("fresh"),
        QStringLiteral("Start from the default settings; what is kept is left as it is.")};
};

// The line speed --speed names, 0 when it names none. With the simulated
// register any pace is its own; a real line runs at one of the register's speeds.
int GivenLineSpeed(const QCommandLineParser& parser, QString& error) {
    if (!parser.isSet(QStringLiteral("speed")))
        return 0;
    const int speed = parser.value(QStringLiteral("speed")).toInt();
    if (RegisterSpeedOf(speed))
        return speed;
    if (!parser.isSet(QStringLiteral("simulate")) || parser.isSet(QStringLiteral("port")))
        error = QStringLiteral("--speed takes 9600, 19200 or 38400, not '%1'")
                    .arg(parser.value(QStringLiteral("speed")));
    return 0;
}

// "~/" is the user's home, as a desktop entry cannot expand it itself.
QString DataDirectory(const QString& given) {
    if (given == QLatin1String("~") || given.startsWith(QLatin1String("~/")))
        return QDir::homePath() + given.mid(1);
    return given;
}

void Describe(QCommandLineParser& parser, const Options& options) {
    parser.setApplicationDescription(
        QStringLiteral("Orvex Commander: the PC side of an Orvex cash register."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({options.Port, options.Simulate, options.Screenshot, options.DataDir, options.History,
                       options.Fresh});
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

    QString usage;
    const int givenSpeed = GivenLineSpeed(parser, usage);
    if (parser.isSet(options.Port) && parser.value(options.Port).isEmpty())
        usage = QStringLiteral("--port needs a device, e.g. /dev/ttyUSB0");
    if (parser.isSet(options.DataDir) && parser.value(options.DataDir).isEmpty())
        usage = QStringLiteral("--data-dir needs a folder");
    if (parser.isSet(options.History) && parser.value(options.History).trimmed().isEmpty())
        usage = QStringLiteral("--history needs a URL, e.g. postgresql://orvex@db.shop.lan/orvex");
    if (!usage.isEmpty()) {
        QTextStream(stderr) << "orvex-commander: " << usage << "\n";
        return 2;
    }
    std::unique_ptr<QSettings> kept;
    if (!parser.isSet(options.Fresh))
        kept = KeptSettings::UserStore();
    // --history wins over the kept one.
    const QString historyUrl = parser.isSet(options.History) ? parser.value(options.History)
                               : kept                        ? KeptSettings::KeptHistory(*kept)
                                                             : QString();
    const bool simulated = parser.isSet(options.Simulate) && !parser.isSet(options.Port);

    if (parser.isSet(options.Port))
        TCommPortDriver::SetDeviceOverride(pnCOM1, parser.value(options.Port));
    // Declared before the windows so that the register outlives them.
    std::unique_ptr<InProcessRegister> simulator;
    if (simulated) {
        simulator = StartSimulatedRegister(parser, givenSpeed ? givenSpeed
                                                   : kept     ? KeptSettings::KeptSpeed(*kept)
                                                              : 0);
        if (!simulator)
            return 2;
    }

    // Paths named on the command line are the caller's, taken before the data
    // folder becomes the working directory.
    const QString screenshotDir = parser.isSet(options.Screenshot)
                                      ? QFileInfo(parser.value(options.Screenshot)).absoluteFilePath()
                                      : QString();
    const QString traceFile = parser.isSet(QStringLiteral("trace"))
                                  ? QFileInfo(parser.value(QStringLiteral("trace"))).absoluteFilePath()
                                  : QString();
    if (parser.isSet(options.DataDir)) {
        const QString dataDir = DataDirectory(parser.value(options.DataDir));
        if (!QDir().mkpath(dataDir) || !QDir::setCurrent(dataDir)) {
            QTextStream(stderr) << "orvex-commander: cannot use " << dataDir << " as the data folder\n";
            return 1;
        }
    }

    try {
        FormSet forms;
        if (forms.StartupExitStatus() != 0)
            return forms.StartupExitStatus();
        if (!screenshotDir.isEmpty()) {
            // The History page shows what the data folder holds; nothing is recorded.
            HistoryTarget shown;
            QString ignored;
            if (ParseHistoryTarget(historyUrl, QDir::currentPath(), shown, ignored))
                forms.UserForm().HistorySheet()->SetTarget(shown);
            const int written = SaveScreenshots(forms, screenshotDir);
            QTextStream(stdout) << written << " pictures in " << screenshotDir << "\n";
            return written > 0 ? 0 : 1;
        }
        if (kept) {
            // Owned by the main window, which writes it as it closes.
            auto* settings = new KeptSettings(std::move(kept), forms,
                                              {simulated || parser.isSet(options.Port), givenSpeed});
            settings->Restore();
        } else if (const auto speed = RegisterSpeedOf(givenSpeed)) {
            // After start-up's own speed, like a kept one.
            ReplyDispatcher& line = forms.Session().Dispatcher();
            forms.UserForm().SetStartLine([&line, baud = *speed] { line.ChangeSpeed(baud); });
        }
        // A history that cannot be kept is said in the hint panel; the program goes on without it.
        forms.History().Open(historyUrl, QDir::currentPath());
        // Serving other programs, when it was on as the window last closed.
        forms.Gateway().Apply(forms.Gateway().Settings(), QDir::currentPath());
        QObject::connect(&forms.UserForm(), &TUserForm::TerminateRequested, &app,
                         [] { QApplication::exit(0); });
        forms.UserForm().show();
        // A trace that cannot be written is said in a message; the program goes on without it.
        if (!traceFile.isEmpty())
            forms.UserForm().StartTrace(traceFile);
        const int status = QApplication::exec();
        return status != 0 ? status : forms.UserForm().ExitStatus();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Orvex Commander"),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
