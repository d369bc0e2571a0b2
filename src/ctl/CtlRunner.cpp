#include "ctl/CtlRunner.h"

#include "ctl/CtlRun.h"

int RunOrvexCtl(const QStringList& args, CtlContext& context) {
    QString error;
    const CommandLine line = ParseCommandLine(args, error);
    if (!error.isEmpty()) {
        context.Err << "orvexctl: " << error << "\n"
                    << "usage: " << GlobalUsage << "\n"
                    << "Try 'orvexctl --help'.\n";
        return CtlUsage;
    }
    CtlRun run(context, line);
    const int status = run.Execute();
    context.Out.flush();
    context.Err.flush();
    return status;
}
