#pragma once

#include "sim/SimOptions.h"

#include <QStringList>
#include <QTextStream>
#include <functional>

class InProcessRegister;

// Exit statuses of orvexctl.
inline constexpr int CtlSuccess = 0;
inline constexpr int CtlFailed = 1;
inline constexpr int CtlUsage = 2;
// The reader of stdout left before the end (128 + SIGPIPE, as the shell shows it).
inline constexpr int CtlBrokenPipe = 141;

// Where a run of orvexctl writes and how its --simulate register behaves, so
// that tests can run commands in this process.
struct CtlContext {
    QTextStream& Out;
    QTextStream& Err;
    // Progress of long commands goes to Err only when it is a terminal.
    bool ProgressOnErr = false;
    SimOptions Simulator;
    // Called with the --simulate register once it runs and before it stops:
    // a test sets the scene and looks at what the command left there.
    std::function<void(InProcessRegister&)> SimulatorStarted;
    std::function<void(InProcessRegister&)> SimulatorStopping;
    // monitor runs until this says stop (SIGINT or SIGTERM in the program).
    std::function<bool()> StopRequested;
};

// The register from a shell: runs one command line (without the program name)
// and returns its exit status. Needs a QCoreApplication.
int RunOrvexCtl(const QStringList& args, CtlContext& context);
