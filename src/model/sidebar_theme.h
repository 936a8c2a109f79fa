// The colours of the rendered output: the video area, the chapter sidebar, its
// highlight box, the chapter texts and three kinds of thin lines.
#pragma once

#include "codable_color.h"

#include <string>
#include <vector>

namespace kestrune {

struct SidebarTheme {
    // Kept unchanged when single colours are edited.
    std::string name;
    CodableColor videoAreaBackground;
    CodableColor sidebarBackground;
    CodableColor highlightBackground;
    CodableColor activeTitleColor;
    CodableColor inactiveTitleColor;
    CodableColor activeSubtitleColor;
    CodableColor inactiveSubtitleColor;
    CodableColor frameDashColor;
    CodableColor separatorColor;
    CodableColor videoBorderColor;

    // "Classic", "Light", "Midnight", "Warm", in the order the theme editor shows them.
    static const std::vector<SidebarTheme>& presets();
    // The theme of new projects and of project files that carry none.
    static const SidebarTheme& classic();

    bool operator==(const SidebarTheme&) const = default;
};

// Visits each colour of a theme with its JSON key, in document order.
template <typename Theme, typename Visitor>
void forEachThemeColor(Theme& theme, Visitor&& visit) {
    visit("videoAreaBackground", theme.videoAreaBackground);
    visit("sidebarBackground", theme.sidebarBackground);
    visit("highlightBackground", theme.highlightBackground);
    visit("activeTitleColor", theme.activeTitleColor);
    visit("inactiveTitleColor", theme.inactiveTitleColor);
    visit("activeSubtitleColor", theme.activeSubtitleColor);
    visit("inactiveSubtitleColor", theme.inactiveSubtitleColor);
    visit("frameDashColor", theme.frameDashColor);
    visit("separatorColor", theme.separatorColor);
    visit("videoBorderColor", theme.videoBorderColor);
}

} // namespace kestrune
