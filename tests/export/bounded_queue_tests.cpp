// The queue between the thread that composes frames and the one that encodes
// them: an export's end or cancel must never leave either side waiting.
#include "export/bounded_queue.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace kestrune;

TEST(BoundedQueue, ClosingReleasesAWaitingProducerAndKeepsWhatWasQueued) {
    BoundedQueue<std::string> queue(1);
    ASSERT_TRUE(queue.push("first"));
    // The queue is full: the second push waits until there is room or it closes.
    auto blocked = std::async(std::launch::async, [&] { return queue.push("second"); });
    EXPECT_EQ(blocked.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    queue.close();
    EXPECT_FALSE(blocked.get());
    EXPECT_EQ(queue.pop(), "first");
    EXPECT_EQ(queue.pop(), std::nullopt);
}

TEST(BoundedQueue, ClosingReleasesAWaitingConsumerAndItemsKeepTheirOrder) {
    BoundedQueue<int> queue(2);
    auto consumer = std::async(std::launch::async, [&] {
        std::vector<int> taken;
        while (std::optional<int> item = queue.pop())
            taken.push_back(*item);
        return taken;
    });
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(queue.push(int{i}));
    queue.close();
    EXPECT_EQ(consumer.get(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(queue.push(5));
}
