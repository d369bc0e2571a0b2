#pragma once

#include <functional>

class QObject;

// SIGINT, SIGTERM and SIGHUP handed to the event loop: the signal handler only writes
// a byte to a socket pair, and handler runs on the loop when it is read, so
// that a command or service ends in order (ports closed, files whole). A
// second signal ends the program at once, should the first not be heard.
// The notifier lives as long as context. False when the pair cannot be made;
// the signals then keep their default action.
bool HandleTerminationSignals(QObject* context, std::function<void()> handler);
