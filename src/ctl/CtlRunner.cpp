#include "ctl/CtlRunner.h"

#include "ctl/CtlRun.h"

#include <cerrno>
#include <cstring>

int RunOrvexCtl(const QStringList& args, CtlContext& context) {
    QString error;
    const CommandLine line = ParseCommandLine(args, error);
    if (!error.isEmpty()) {
        context.Err << "orvexctl: " << error << "\n"
                    << "usage: " << GlobalUsage << "\n"
                    << "Try 'orvexctl --help'.\n";
        return CtlUsage;
    }
    int status = CtlSuccess;
    {
        CtlRun run(context, line);
        status = run.Execute();
    }
    errno = 0;
    context.Out.flush();
    // Output that did not all arrive (a full disk, a closed stdout) is no
    // success; a reader that left (a closed pipe) ends the command as
    // SIGPIPE would, without a word.
    if (context.Out.status() != QTextStream::Ok) {
        const int error = errno;
        if (error == EPIPE)
            return CtlBrokenPipe;
        // Named as every other failure: the command and what could not be written.
        QString command = line.Words.value(0);
        if (line.Words.size() > 1 &&
            QStringList{QStringLiteral("plu"), QStringLiteral("report"), QStringLiteral("history")}.contains(
                command))
            command += QLatin1Char(' ') + line.Words[1];
        context.Err << "orvexctl" << (command.isEmpty() ? QString() : QLatin1Char(' ') + command)
                    << ": standard output: the output could not be written"
                    << (error != 0 ? QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error))
                                   : QString())
                    << "\n";
        status = CtlFailed;
    }
    context.Err.flush();
    return status;
}
