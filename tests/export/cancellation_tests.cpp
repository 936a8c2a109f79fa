#include "export/cancellation.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using kestrune::CancellationToken;

TEST(CancellationToken, ClearingWaitsForAHandlerRunningElsewhere) {
    // The pipeline destroys its writer right after clearing the handler, so a
    // cancel in progress on another thread must have finished by then.
    CancellationToken token;
    std::atomic<bool> entered{false};
    std::atomic<bool> finished{false};
    token.setHandler([&] {
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        finished = true;
    });
    std::thread canceller([&] { token.cancel(); });
    while (!entered)
        std::this_thread::yield();
    token.clearHandler();
    EXPECT_TRUE(finished);
    canceller.join();

    // A handler set after the cancel runs at once, and may clear itself.
    int runs = 0;
    token.setHandler([&] {
        ++runs;
        token.clearHandler();
    });
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(token.isCancelled());
}
