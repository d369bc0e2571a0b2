#pragma once

#include "sim/SimOptions.h"

#include <QString>

class QCommandLineParser;

// The simulated register's command-line options, shared by orvex-register-sim
// and the program's --simulate: --speed, --sell-every, --seed, --silent,
// --drop-every, --corrupt-every, --wrong-plu-every, --delay, --plus, --charset,
// --trace.
class SimCommandLine {
  public:
    static void AddOptions(QCommandLineParser& parser);
    // Reads the options set on the command line into options (the others keep
    // their values); an error text names the first bad value, empty when all are good.
    [[nodiscard]] static QString Read(const QCommandLineParser& parser, SimOptions& options);
};
