#include "date.h"

#include <chrono>

namespace kestrune {

Date Date::now() {
    using namespace std::chrono;
    auto sinceEpoch = duration<double>(system_clock::now().time_since_epoch());
    return fromUnixSeconds(sinceEpoch.count());
}

} // namespace kestrune
