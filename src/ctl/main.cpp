#include "ctl/CtlRunner.h"
#include "sim/InProcessRegister.h"

#include <QCoreApplication>
#include <QTextStream>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvexctl"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    CtlContext context{out, err, ::isatty(STDERR_FILENO) == 1, InProcessRegister::ProgramDefaults()};
    // A register that sells on its own has no place in a script's answers.
    context.Simulator.SellEveryMs = 0;
    return RunOrvexCtl(app.arguments().mid(1), context);
}
