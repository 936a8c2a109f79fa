// An exact seek that waits for its picture, as the playback tests need it often.
#pragma once

#include "playback/timeline_player.h"
#include "support/event_loop.h"

#include <gtest/gtest.h>
#include <optional>

namespace kestrune::test {

// Seeks exactly and waits for the picture; the completion's result.
inline bool seekAndWait(TimelinePlayer& player, MediaTime time) {
    std::optional<bool> result;
    player.seek(time, MediaTime::zero(), MediaTime::zero(),
                [&](bool finished) { result = finished; });
    EXPECT_TRUE(runUntil([&] { return result.has_value(); }));
    return result.value_or(false);
}

} // namespace kestrune::test
