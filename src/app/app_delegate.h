// What runs when the user quits: the export is cancelled, then the open project
// saved. Quitting is never delayed or refused; both hooks are empty until the
// window has been shown.
#pragma once

#include <functional>

namespace kestrune {

struct AppDelegate {
    std::function<void()> onTerminate;
    std::function<void()> onCancelExport;

    void aboutToQuit() const {
        if (onCancelExport)
            onCancelExport();
        if (onTerminate)
            onTerminate();
    }
};

} // namespace kestrune
