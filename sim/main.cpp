#include "sim/RegisterModel.h"
#include "sim/RegisterPort.h"
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

bool ParseCount(const QCommandLineParser& parser, const QString& name, int& out, QTextStream& err) {
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok);
    if (!ok || v < 0) {
        err << "orvex-register-sim: --" << name << " wants a whole number of 0 or more\n";
        return false;
    }
    out = v;
    return true;
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
    parser.addOptions({
        {QStringLiteral("speed"), QStringLiteral("Pace output at <bps>, 10 bits a byte (0 = unpaced)."),
         QStringLiteral("bps"), QStringLiteral("19200")},
        {QStringLiteral("sell-every"),
         QStringLiteral("A cashier's sale step every <ms> (0 = only on input)."), QStringLiteral("ms"),
         QStringLiteral("0")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the cashier's choices."), QStringLiteral("n"),
         QStringLiteral("1")},
        {QStringLiteral("silent"), QStringLiteral("Send nothing at all.")},
        {QStringLiteral("drop-every"), QStringLiteral("Leave out every <n>th outbound frame."),
         QStringLiteral("n")},
        {QStringLiteral("corrupt-every"), QStringLiteral("Break the checksum of every <n>th outbound frame."),
         QStringLiteral("n")},
        {QStringLiteral("wrong-plu-every"),
         QStringLiteral("Answer every <n>th PLU request with the next PLU."), QStringLiteral("n")},
        {QStringLiteral("delay"), QStringLiteral("Answer commands <ms> late."), QStringLiteral("ms")},
        {QStringLiteral("plus"), QStringLiteral("Start from the PLUs of a pludb.dat file."),
         QStringLiteral("file")},
        {QStringLiteral("trace"), QStringLiteral("Write every frame in and out to <file>."),
         QStringLiteral("file")},
    });
    parser.process(app);

    SimOptions options;
    int speed = 19200;
    int seed = 1;
    if (!ParseCount(parser, QStringLiteral("speed"), speed, err) ||
        !ParseCount(parser, QStringLiteral("sell-every"), options.SellEveryMs, err) ||
        !ParseCount(parser, QStringLiteral("seed"), seed, err) ||
        !ParseCount(parser, QStringLiteral("drop-every"), options.DropEvery, err) ||
        !ParseCount(parser, QStringLiteral("corrupt-every"), options.CorruptEvery, err) ||
        !ParseCount(parser, QStringLiteral("wrong-plu-every"), options.WrongPluEvery, err) ||
        !ParseCount(parser, QStringLiteral("delay"), options.DelayMs, err))
        return 2;
    options.Speed = uint32_t(speed);
    options.Seed = uint32_t(seed);
    options.Silent = parser.isSet(QStringLiteral("silent"));
    options.PlusFile = parser.value(QStringLiteral("plus"));
    options.TraceFile = parser.value(QStringLiteral("trace"));

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
