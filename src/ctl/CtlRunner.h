#pragma once

#include "sim/SimOptions.h"

#include <QStringList>
#include <QTextStream>

// Exit statuses of orvexctl.
inline constexpr int CtlSuccess = 0;
inline constexpr int CtlFailed = 1;
inline constexpr int CtlUsage = 2;

// Where a run of orvexctl writes and how its --simulate register behaves, so
// that tests can run commands in this process.
struct CtlContext {
    QTextStream& Out;
    QTextStream& Err;
    // Progress of long commands goes to Err only when it is a terminal.
    bool ProgressOnErr = false;
    SimOptions Simulator;
};

// The register from a shell: runs one command line (without the program name)
// and returns its exit status. Needs a QCoreApplication.
int RunOrvexCtl(const QStringList& args, CtlContext& context);
