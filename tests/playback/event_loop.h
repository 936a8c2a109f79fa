// Waiting in the playback tests: the player reports on the main thread, so the
// tests run the event loop until what they wait for has happened.
#pragma once

#include "playback/timeline_player.h"

#include <gtest/gtest.h>
#include <optional>

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

// Seeks exactly and waits for the picture; the completion's result.
inline bool seekAndWait(TimelinePlayer& player, MediaTime time) {
    std::optional<bool> result;
    player.seek(time, MediaTime::zero(), MediaTime::zero(),
                [&](bool finished) { result = finished; });
    EXPECT_TRUE(runUntil([&] { return result.has_value(); }));
    return result.value_or(false);
}

} // namespace kestrune::test
