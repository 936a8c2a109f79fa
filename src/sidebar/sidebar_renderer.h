// Draws the chapter sidebar into output frames: a strip at the right edge that
// lists every chapter, highlights the active one and slides the highlight box to
// each new chapter in 0.4 s of cubic ease-out. One renderer serves one export;
// all text is laid out once, at construction.
#pragma once

#include "model/project.h"
#include "sidebar_layout.h"
#include "text_line.h"

#include <utility>
#include <vector>

#include <QBrush>
#include <QPainterPath>
#include <QPen>

class QPainter;

namespace kestrune {

class SidebarRenderer {
public:
    SidebarRenderer(std::vector<Section> sections, int outputWidth, int outputHeight,
                    int videoAreaWidth, int sidebarWidth, SidebarTheme theme);

    // Draws the sidebar for the frame at `time` seconds on the output timeline.
    // Called once per frame, from one thread at a time, with non-decreasing times.
    // The painter's clip is left as it was.
    void draw(QPainter& painter, double time);

    // What the sidebar shows at `time`: the active chapter (−1 for none) and the
    // top of the highlight box. Moves the slide on as draw() does; equal answers
    // mean equal pictures, so a caller can keep a drawn sidebar until it changes.
    struct Appearance {
        int active = -1;
        double highlightY = 0;
        bool operator==(const Appearance&) const = default;
    };
    Appearance advance(double time);

    const SidebarLayout& layout() const { return layout_; }
    int videoAreaWidth() const { return videoAreaWidth_; }
    double titleAscent() const { return titleAscent_; }
    double titleDescent() const { return titleDescent_; }
    double subAscent() const { return subAscent_; }
    double subDescent() const { return subDescent_; }

    // The slide: −1 before any chapter was active.
    int prevActiveIndex() const { return prevActiveIndex_; }
    // Distance from the top of the frame to the top of the box, as last drawn.
    double highlightY() const { return highlightY_; }

private:
    void drawSeparators(QPainter& painter) const;
    void updateHighlight(int active, double time);
    // Where the current slide puts the box at `time` (its top, from the frame's top).
    double slidePosition(double time) const;
    void drawTexts(QPainter& painter, int active) const;

    std::vector<Section> sections_;
    int outputWidth_;
    int outputHeight_;
    int videoAreaWidth_;
    int sidebarWidth_;
    SidebarTheme theme_;
    SidebarLayout layout_;

    double titleAscent_ = 0;
    double titleDescent_ = 0;
    double subAscent_ = 0;
    double subDescent_ = 0;
    // (active, inactive) per section.
    std::vector<std::pair<TextLine, TextLine>> titleLines_;
    std::vector<std::pair<TextLine, TextLine>> subtitleLines_;

    // Made once, so that drawing a frame allocates nothing of its own.
    QBrush backgroundBrush_;
    QBrush highlightBrush_;
    QPen separatorPen_;
    QPainterPath separatorPath_;

    int prevActiveIndex_ = -1;
    double transitionStartTime_ = 0;
    double highlightY_ = 0;
    double startHighlightY_ = 0;
    double targetHighlightY_ = 0;
};

} // namespace kestrune
