#include "edit_history.h"

namespace kestrune {

namespace {

// A heap block is at least this large and carries a header of about this much.
constexpr std::size_t kAllocationOverhead = 16;

std::size_t stringBytes(const std::string& text) {
    // Short texts live inside the string object itself.
    return text.capacity() > 15 ? text.capacity() + 1 + kAllocationOverhead : 0;
}

} // namespace

std::size_t approximateBytes(const Project& project) {
    std::size_t bytes = sizeof(Project) + stringBytes(project.name);
    bytes += project.clips.capacity() * sizeof(VideoClip) + kAllocationOverhead;
    for (const auto& clip : project.clips) {
        bytes += stringBytes(clip.fileName);
        if (clip.bookmarkData)
            bytes += clip.bookmarkData->capacity() + kAllocationOverhead;
    }
    bytes += project.sections.capacity() * sizeof(Section) + kAllocationOverhead;
    for (const auto& section : project.sections)
        bytes += stringBytes(section.title) + stringBytes(section.subtitle);
    return bytes + stringBytes(project.sidebarTheme.name);
}

void EditHistory::record(std::string action, const Project& before, std::string mergeKey) {
    for (const auto& step : redo_)
        bytes_ -= step.bytes;
    redo_.clear();
    if (open_ && !mergeKey.empty() && !undo_.empty() && undo_.back().mergeKey == mergeKey) {
        // The step already holds the project from before the first edit of the run.
        undo_.back().action = std::move(action);
        return;
    }
    push(undo_, {std::move(action), before, std::move(mergeKey), approximateBytes(before)});
    open_ = true;
    trim();
}

std::optional<EditStep> EditHistory::undo(const Project& current) {
    return step(undo_, redo_, current);
}

std::optional<EditStep> EditHistory::redo(const Project& current) {
    return step(redo_, undo_, current);
}

std::optional<EditStep> EditHistory::step(std::deque<EditStep>& from, std::deque<EditStep>& to,
                                          const Project& current) {
    if (from.empty())
        return std::nullopt;
    EditStep taken = std::move(from.back());
    from.pop_back();
    bytes_ -= taken.bytes;
    push(to, {taken.action, current, {}, approximateBytes(current)});
    open_ = false;
    trim();
    return taken;
}

void EditHistory::clear() {
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
    open_ = false;
}

void EditHistory::push(std::deque<EditStep>& steps, EditStep step) {
    bytes_ += step.bytes;
    steps.push_back(std::move(step));
}

void EditHistory::trim() {
    // The oldest steps go first: the far end of the undo list, then the far
    // end of the redo list. The step just made always stays.
    const auto tooMuch = [this] {
        return undo_.size() + redo_.size() > kMaxSteps || bytes_ > kMaxBytes;
    };
    while (tooMuch() && undo_.size() + redo_.size() > 1) {
        auto& steps = undo_.size() > 1 || redo_.empty() ? undo_ : redo_;
        bytes_ -= steps.front().bytes;
        steps.pop_front();
    }
}

} // namespace kestrune
