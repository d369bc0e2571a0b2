#include "common/TerminationSignals.h"
#include "ctl/CtlRunner.h"
#include "sim/InProcessRegister.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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
    // A file-size limit (ulimit -f) makes write() fail with EFBIG, said like a
    // full disk, instead of killing the program with a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvexctl"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    CtlContext context{out, err, ::isatty(STDERR_FILENO) == 1, InProcessRegister::ProgramDefaults(), {},
                       {},  {}};

    bool stop = false;
    HandleTerminationSignals(&app, [&stop] { stop = true; });
    context.StopRequested = [&] { return stop; };
    return RunOrvexCtl(app.arguments().mid(1), context);
}
