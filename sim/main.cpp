#include "sim/RegisterModel.h"
#include "sim/RegisterPort.h"
#include "sim/SimCommandLine.h"
#include "sim/SimOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

// orvex-register-sim: an Orvex register on a pseudo-terminal. It prints the
// device to give the program (--port), then serves until interrupted. Each
// line typed on its input makes the cashier take one sale step.

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &b, 1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvex-register-sim"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Orvex cash register on a pseudo-terminal. Prints the device path to pass to "
        "orvex-commander --port. Every line typed on standard input makes the cashier take one sale step."));
    parser.addHelpOption();
    SimCommandLine::AddOptions(parser);
    parser.process(app);

    SimOptions options;
    if (const QString error = SimCommandLine::Read(parser, options); !error.isEmpty()) {
        err << "orvex-register-sim: " << error << "\n";
        return 2;
    }

    RegisterModel model(options.Seed);
    QString error;
    if (!options.PlusFile.isEmpty() && !model.LoadPlus(options.PlusFile, options.Charset, &error)) {
        err << "orvex-register-sim: " << options.PlusFile << ": " << error << "\n";
        return 1;
    }
    RegisterPort port(model, options);
    if (!port.Open(&error)) {
        err << "orvex-register-sim: cannot open a pseudo-terminal: " << error << "\n";
        return 1;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
    }
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buf[256];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input.setEnabled(false); // end of input: keep serving
            return;
        }
        for (ssize_t i = 0; i < n; ++i)
            if (buf[i] == '\n')
                model.SellStep();
    });

    model.StartSelling(options.SellEveryMs);
    out << port.DevicePath() << Qt::endl;
    err << "orvex-register-sim: serving on " << port.DevicePath() << "; run: orvex-commander --port "
        << port.DevicePath() << " (Ctrl+C ends)" << Qt::endl;
    const int rc = app.exec();
    port.Close();
    return rc;
}
