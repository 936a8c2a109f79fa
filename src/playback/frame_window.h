// Decoded pictures that follow each other on the timeline around the one on
// screen, kept while the player is paused so that frame steps through them need
// no decoding. Holds at most a given number of bytes of pictures.
#pragma once

#include "player_item.h"

#include <cstddef>
#include <deque>
#include <vector>

namespace kestrune {

class FrameWindow {
public:
    explicit FrameWindow(std::size_t byteBudget);
    // Kept from the next picture added on.
    void setByteBudget(std::size_t byteBudget) { byteBudget_ = byteBudget; }

    // Only `current`.
    void reset(PlayerFrame current);
    // `frames`, which follow each other, on the one at `current`.
    void replace(std::vector<PlayerFrame> frames, std::size_t current);
    void clear();
    bool empty() const { return frames_.empty(); }

    const PlayerFrame& current() const { return frames_[current_]; }
    const PlayerFrame& first() const { return frames_.front(); }
    const PlayerFrame& last() const { return frames_.back(); }
    // Moves to the next or previous picture; false at the window's edge.
    bool forward();
    bool backward();

    // Adds the picture that follows last(); the pictures furthest before the
    // current one go when the budget is spent.
    void append(PlayerFrame frame);
    // Puts `frames`, which end where first() begins, before it; the pictures
    // furthest after the current one go when the budget is spent. Whether last()
    // is still the picture it was.
    bool prepend(std::vector<PlayerFrame> frames);

    // Lets go of the pictures more than `count` after the current one.
    void keepAfterCurrent(std::size_t count);

    // How many pictures the size of `frame` the budget holds.
    std::size_t capacityFor(const PlayerFrame& frame) const;

private:
    std::size_t bytes_ = 0;
    std::size_t byteBudget_;
    std::deque<PlayerFrame> frames_;
    std::size_t current_ = 0;
};

// The memory a picture's buffers take.
std::size_t pictureBytes(const PlayerFrame& frame);

} // namespace kestrune
