// One editing operation as the editing model's edit path applies it: what the
// step is called, how it changes the document, and whether it joins the edits
// before it into one undo step.
#pragma once

#include "model/project.h"

#include <functional>
#include <string>

namespace kestrune {

struct ProjectEdit {
    // The step's name in the Edit menu: "Delete Clip".
    std::string action;
    // Consecutive edits with the same non-empty key are one undo step.
    std::string mergeKey;
    // Changes the document in place. False when there is nothing to do: the
    // document must then be left as it was, and it is neither stamped nor saved.
    std::function<bool(Project&)> change;
};

} // namespace kestrune
