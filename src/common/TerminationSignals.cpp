#include "common/TerminationSignals.h"

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPair[2] = {-1, -1};

void OnSignal(int signal) {
    std::signal(signal, SIG_DFL);
    const char byte = 1;
    (void)!::write(g_signalPair[1], &byte, 1);
}

} // namespace

bool HandleTerminationSignals(QObject* context, std::function<void()> handler) {
    if (g_signalPair[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPair) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPair[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [handler = std::move(handler)] {
        char byte = 0;
        (void)!::read(g_signalPair[0], &byte, 1);
        handler();
    });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // A closed terminal or a logged-out session ends the work in order too,
    // keeping what a transfer has read.
    std::signal(SIGHUP, OnSignal);
    return true;
}
