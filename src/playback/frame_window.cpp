#include "frame_window.h"

#include <algorithm>

namespace kestrune {

std::size_t pictureBytes(const PlayerFrame& frame) {
    std::size_t bytes = 0;
    if (frame.picture) {
        for (const AVBufferRef* buffer : frame.picture->buf) {
            if (buffer)
                bytes += buffer->size;
        }
    }
    return bytes;
}

FrameWindow::FrameWindow(std::size_t byteBudget)
    : byteBudget_(byteBudget) {}

void FrameWindow::reset(PlayerFrame current) {
    clear();
    bytes_ = pictureBytes(current);
    frames_.push_back(std::move(current));
}

void FrameWindow::replace(std::vector<PlayerFrame> frames, std::size_t current) {
    clear();
    for (PlayerFrame& frame : frames) {
        bytes_ += pictureBytes(frame);
        frames_.push_back(std::move(frame));
    }
    current_ = std::min(current, frames_.empty() ? 0 : frames_.size() - 1);
}

void FrameWindow::clear() {
    frames_.clear();
    bytes_ = 0;
    current_ = 0;
}

bool FrameWindow::forward() {
    if (current_ + 1 >= frames_.size())
        return false;
    ++current_;
    return true;
}

bool FrameWindow::backward() {
    if (current_ == 0)
        return false;
    --current_;
    return true;
}

void FrameWindow::append(PlayerFrame frame) {
    bytes_ += pictureBytes(frame);
    frames_.push_back(std::move(frame));
    while (bytes_ > byteBudget_ && current_ > 0) {
        bytes_ -= pictureBytes(frames_.front());
        frames_.pop_front();
        --current_;
    }
}

bool FrameWindow::prepend(std::vector<PlayerFrame> frames) {
    current_ += frames.size();
    for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) {
        bytes_ += pictureBytes(*frame);
        frames_.push_front(std::move(*frame));
    }
    bool lastKept = true;
    while (bytes_ > byteBudget_ && current_ + 1 < frames_.size()) {
        bytes_ -= pictureBytes(frames_.back());
        frames_.pop_back();
        lastKept = false;
    }
    return lastKept;
}

void FrameWindow::keepAfterCurrent(std::size_t count) {
    while (frames_.size() > current_ + 1 + count) {
        bytes_ -= pictureBytes(frames_.back());
        frames_.pop_back();
    }
}

std::size_t FrameWindow::capacityFor(const PlayerFrame& frame) const {
    return byteBudget_ / std::max<std::size_t>(1, pictureBytes(frame));
}

} // namespace kestrune
