#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

// Runs the event loop until pred holds or timeoutMs pass; returns pred's last value.
template <typename Pred> bool WaitUntil(Pred pred, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

// Runs the event loop for ms, for checks that something does not happen.
inline void RunEventsFor(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
}
