#pragma once

#include "ctl/CtlCommandLine.h"
#include "ctl/CtlRunner.h"

// orvexctl history summary|backup: reads the sales history kept in the data
// folder (--data-dir, the working directory otherwise) or on the server that
// --history names. Talks to no register.
[[nodiscard]] int RunHistoryCommand(const CommandLine& line, CtlContext& context);

// The folder of history.sqlite: --data-dir (~ for the home folder), the
// working directory otherwise.
[[nodiscard]] QString HistoryDataDirectory(const CommandLine& line);
