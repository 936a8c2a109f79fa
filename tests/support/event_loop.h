// Waiting in the tests: players, the export coordinator and the views report on the
// main thread, so the tests run the event loop until what they wait for happened.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace kestrune::test {

// Runs the event loop until `done` holds or `timeoutMs` pass; whether it held.
template <typename Done>
bool runUntil(Done done, int timeoutMs = 5000) {
    QTimer heartbeat; // keeps the loop waking while nothing else is due
    heartbeat.start(5);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline void runFor(int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    runUntil([&] { return elapsed.elapsed() >= milliseconds; }, milliseconds + 1000);
}

} // namespace kestrune::test
