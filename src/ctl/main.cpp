#include "ctl/CtlRunner.h"
#include "sim/InProcessRegister.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGINT and SIGTERM reach the event loop through this pair: the handler only
// writes a byte, the loop reads it and ends the command in order (the port
// closed, files complete).
int g_signalPair[2] = {-1, -1};

void OnSignal(int signal) {
    // A second one ends the program at once, should the first not be heard.
    std::signal(signal, SIG_DFL);
    const char byte = 1;
    (void)!::write(g_signalPair[1], &byte, 1);
}

} // namespace

int main(int argc, char** argv) {
    // A standard stream started closed would be the number the next file or
    // the serial port gets, and output would go there. It is held by a
    // descriptor that takes no writes, so that writing fails and is said.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int held = ::open("/", O_RDONLY | O_DIRECTORY);
            if (held >= 0 && held != fd) {
                ::dup2(held, fd);
                ::close(held);
            }
        }
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvexctl"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    CtlContext context{out, err, ::isatty(STDERR_FILENO) == 1, InProcessRegister::ProgramDefaults(), {},
                       {},  {}};

    bool stop = false;
    std::unique_ptr<QSocketNotifier> notifier;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPair) == 0) {
        notifier = std::make_unique<QSocketNotifier>(g_signalPair[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [&] {
            char byte = 0;
            (void)!::read(g_signalPair[0], &byte, 1);
            stop = true;
        });
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
    }
    context.StopRequested = [&] { return stop; };
    return RunOrvexCtl(app.arguments().mid(1), context);
}
