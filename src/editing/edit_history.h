// The undo and redo steps of the open project: each step keeps the whole
// project as it was on the other side of the step, so undoing or redoing is a
// plain exchange of documents. Bounded in steps and in memory; plain data, no Qt.
#pragma once

#include "model/project.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace kestrune {

// What a step is called in the Edit menu ("Delete Clip") and the document it
// takes the project back (or forward) to.
struct EditStep {
    std::string action;
    Project project;
    // Consecutive edits with the same non-empty key are one step.
    std::string mergeKey;
    std::size_t bytes = 0;
};

class EditHistory {
public:
    // Every step kept up to here, the oldest dropped past it; at most
    // kMaxBytes of documents are kept whatever the number of steps.
    static constexpr std::size_t kMaxSteps = 200;
    static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;

    // An edit from `before` is made: the redo steps go, and a new undo step
    // is kept unless the edit merges into the last one (same key, the step
    // not closed since).
    void record(std::string action, const Project& before, std::string mergeKey = {});
    // The next edit starts a step of its own.
    void closeStep() { open_ = false; }

    // The project to show after undoing from `current`, with the step's name;
    // `current` becomes the redo step. Nothing when there is nothing to undo.
    std::optional<EditStep> undo(const Project& current);
    std::optional<EditStep> redo(const Project& current);

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // Empty when there is no such step.
    std::string undoAction() const { return undo_.empty() ? std::string() : undo_.back().action; }
    std::string redoAction() const { return redo_.empty() ? std::string() : redo_.back().action; }
    std::size_t undoCount() const { return undo_.size(); }
    std::size_t redoCount() const { return redo_.size(); }
    // The documents kept, as approximateBytes counts them.
    std::size_t bytes() const { return bytes_; }

    void clear();

    // Applies `change` to every kept document, for changes made outside the
    // history that undo must not take back (a rename in the library).
    template <class Change>
    void amendAll(Change change) {
        for (auto* steps : {&undo_, &redo_})
            for (auto& step : *steps)
                change(step.project);
    }

private:
    // Takes the last step of `from` and keeps `current` as the last of `to`.
    std::optional<EditStep> step(std::deque<EditStep>& from, std::deque<EditStep>& to,
                                 const Project& current);
    void push(std::deque<EditStep>& steps, EditStep step);
    void trim();

    std::deque<EditStep> undo_;
    std::deque<EditStep> redo_;
    std::size_t bytes_ = 0;
    bool open_ = false;
};

// The memory a copy of `project` takes: its own size and every heap block its
// strings and arrays hold.
std::size_t approximateBytes(const Project& project);

} // namespace kestrune
