#include "timeline_boundaries.h"

#include <algorithm>

namespace kestrune {

int clipIndexAt(const QList<double>& boundaries, double time) {
    const auto count = static_cast<int>(boundaries.size());
    for (int i = 0; i + 1 < count; ++i) {
        if (boundaries[i] <= time && time < boundaries[i + 1])
            return i;
    }
    return std::max(count, 2) - 2;
}

} // namespace kestrune
