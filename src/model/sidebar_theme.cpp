#include "sidebar_theme.h"

namespace kestrune {

namespace {

constexpr double b(int k) {
    return k / 255.0;
}

constexpr CodableColor grey(int k) {
    return {b(k), b(k), b(k), 1};
}

SidebarTheme makeTheme(std::string name, CodableColor background, CodableColor highlight,
                       CodableColor activeTitle, CodableColor inactiveTitle,
                       CodableColor activeSubtitle, CodableColor inactiveSubtitle,
                       CodableColor lines, CodableColor videoBorder) {
    // In every preset the video area matches the sidebar and the frame dashes match
    // the separators; users may pull them apart in the editor.
    return SidebarTheme{std::move(name), background,    background,     highlight,
                        activeTitle,     inactiveTitle, activeSubtitle, inactiveSubtitle,
                        lines,           lines,         videoBorder};
}

std::vector<SidebarTheme> makePresets() {
    return {
        makeTheme("Classic", grey(50), {1, 1, 1, 1}, {0, 0, 0, 1}, {1, 1, 1, 0.45}, {0, 0, 0, 0.65},
                  {1, 1, 1, 0.3}, {1, 1, 1, 0.15}, {0, 0, 0, 1}),
        makeTheme("Light", grey(235), grey(30), {1, 1, 1, 1}, {0, 0, 0, 0.5}, {1, 1, 1, 0.7},
                  {0, 0, 0, 0.35}, {0, 0, 0, 0.1}, {0, 0, 0, 0.2}),
        makeTheme("Midnight", {b(20), b(20), b(25), 1}, {b(60), b(120), 1, 1}, {1, 1, 1, 1},
                  {0.7, 0.8, 1, 0.5}, {1, 1, 1, 0.75}, {0.7, 0.8, 1, 0.3}, {0.4, 0.5, 1, 0.15},
                  {0, 0, 0, 1}),
        makeTheme("Warm", {b(45), b(35), b(30), 1}, {b(240), b(180), b(60), 1},
                  {b(35), b(25), b(15), 1}, {1, 0.95, 0.85, 0.5}, {b(35), b(25), b(15), 0.7},
                  {1, 0.95, 0.85, 0.3}, {1, 0.85, 0.6, 0.15}, {b(30), b(20), b(10), 1}),
    };
}

} // namespace

const std::vector<SidebarTheme>& SidebarTheme::presets() {
    static const std::vector<SidebarTheme> all = makePresets();
    return all;
}

const SidebarTheme& SidebarTheme::classic() {
    return presets().front();
}

} // namespace kestrune
