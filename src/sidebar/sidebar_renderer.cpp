#include "sidebar_renderer.h"

#include "font_lookup.h"
#include "log/log.h"

#include <algorithm>

#include <QPainter>

namespace kestrune {

namespace {

constexpr double kSlideSeconds = 0.4;
constexpr double kCornerRadius = 8;
constexpr double kTitleSubtitleGap = 2;
const char* const kFontName = "Lexend-Regular";

QFont sidebarFont(const FontFace& face, double pixelSize) {
    if (!face.postScriptName.contains(QLatin1String("Lexend")))
        log::error(log::Category::ExportSidebar,
                   "SidebarRenderer: 'Lexend-Regular' font not found, fell back to '%s'",
                   qPrintable(face.postScriptName));
    return makeFont(face, pixelSize);
}

} // namespace

SidebarRenderer::SidebarRenderer(std::vector<Section> sections, int outputWidth, int outputHeight,
                                 int videoAreaWidth, int sidebarWidth, SidebarTheme theme)
    : sections_(std::move(sections))
    , outputWidth_(outputWidth)
    , outputHeight_(outputHeight)
    , videoAreaWidth_(videoAreaWidth)
    , sidebarWidth_(sidebarWidth)
    , theme_(std::move(theme))
    , layout_(SidebarLayout::make(static_cast<int>(sections_.size()), outputWidth, outputHeight,
                                  sidebarWidth))
    , backgroundBrush_(theme_.sidebarBackground.toColor())
    , highlightBrush_(theme_.highlightBackground.toColor()) {
    const FontFace face = findFontFace(QString::fromLatin1(kFontName));
    const QFont titleFont = sidebarFont(face, layout_.titleFontSize);
    const QFont subtitleFont = sidebarFont(face, layout_.subtitleFontSize);

    const LineMetrics titleMetrics = lineMetrics(titleFont, layout_.titleFontSize);
    const LineMetrics subMetrics = lineMetrics(subtitleFont, layout_.subtitleFontSize);
    titleAscent_ = titleMetrics.ascent;
    titleDescent_ = titleMetrics.descent;
    subAscent_ = subMetrics.ascent;
    subDescent_ = subMetrics.descent;

    const QColor activeTitle = theme_.activeTitleColor.toColor();
    const QColor inactiveTitle = theme_.inactiveTitleColor.toColor();
    const QColor activeSubtitle = theme_.activeSubtitleColor.toColor();
    const QColor inactiveSubtitle = theme_.inactiveSubtitleColor.toColor();
    titleLines_.reserve(sections_.size());
    subtitleLines_.reserve(sections_.size());
    for (const auto& section : sections_) {
        const QString title = QString::fromStdString(section.title);
        const QString subtitle = QString::fromStdString(section.subtitle);
        titleLines_.emplace_back(TextLine(title, titleFont, activeTitle),
                                 TextLine(title, titleFont, inactiveTitle));
        subtitleLines_.emplace_back(TextLine(subtitle, subtitleFont, activeSubtitle),
                                    TextLine(subtitle, subtitleFont, inactiveSubtitle));
    }

    separatorPen_ = QPen(theme_.separatorColor.toColor(), 1);
    separatorPen_.setCapStyle(Qt::FlatCap);
    separatorPen_.setDashPattern({4, 4});
    separatorPen_.setDashOffset(0);
    // All segments make one path, stroked at once like a single line.
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        const double y = layout_.paddingY + layout_.itemHeight * static_cast<double>(i);
        separatorPath_.moveTo(layout_.textX, y);
        separatorPath_.lineTo(layout_.textX + layout_.maxTextWidth, y);
    }

    log::info(log::Category::ExportSidebar,
              "SidebarRenderer: initialized with %ld sections, sidebar=%ldx%ld, titleFont=%fpt, "
              "subtitleFont=%fpt",
              static_cast<long>(sections_.size()), static_cast<long>(sidebarWidth_),
              static_cast<long>(outputHeight_), layout_.titleFontSize, layout_.subtitleFontSize);
}

void SidebarRenderer::draw(QPainter& painter, double time) {
    // Layout values are distances from the top of the frame, which is also
    // where Qt's y axis starts.
    const double sx = outputWidth_ - sidebarWidth_;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(QRectF(sx, 0, sidebarWidth_, outputHeight_), backgroundBrush_);
    if (sections_.empty())
        return;

    drawSeparators(painter);

    const int active = advance(time).active;
    if (active >= 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(highlightBrush_);
        painter.drawRoundedRect(QRectF(layout_.hlX, highlightY_, layout_.hlW, layout_.itemHeight),
                                kCornerRadius, kCornerRadius);
        painter.setBrush(Qt::NoBrush);
    }
    drawTexts(painter, active);
}

SidebarRenderer::Appearance SidebarRenderer::advance(double time) {
    const int active = activeSectionIndex(sections_, time);
    if (active < 0)
        return {};
    updateHighlight(active, time);
    return {active, highlightY_};
}

void SidebarRenderer::drawSeparators(QPainter& painter) const {
    if (separatorPath_.isEmpty())
        return;
    painter.setPen(separatorPen_);
    painter.drawPath(separatorPath_);
}

void SidebarRenderer::updateHighlight(int active, double time) {
    if (active != prevActiveIndex_) {
        // The first highlight appears in place; a slide interrupted by another
        // change carries on from where the box is at this moment, whatever the
        // frame rate.
        startHighlightY_ = prevActiveIndex_ == -1 ? layout_.paddingY + layout_.itemHeight * active
                                                  : slidePosition(time);
        targetHighlightY_ = layout_.paddingY + layout_.itemHeight * active;
        transitionStartTime_ = time;
        prevActiveIndex_ = active;
    }
    highlightY_ = slidePosition(time);
}

double SidebarRenderer::slidePosition(double time) const {
    const double q = std::min((time - transitionStartTime_) / kSlideSeconds, 1.0);
    const double eased = 1 - (1 - q) * (1 - q) * (1 - q);
    return startHighlightY_ + eased * (targetHighlightY_ - startHighlightY_);
}

void SidebarRenderer::drawTexts(QPainter& painter, int active) const {
    painter.save();
    painter.setClipRect(QRectF(outputWidth_ - sidebarWidth_, 0, sidebarWidth_, outputHeight_),
                        Qt::IntersectClip);
    const double p = layout_.paddingY;
    const double h = layout_.itemHeight;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const bool isActive = static_cast<int>(i) == active;
        const TextLine& title = isActive ? titleLines_[i].first : titleLines_[i].second;
        const TextLine& subtitle = isActive ? subtitleLines_[i].first : subtitleLines_[i].second;
        // Row centre, measured from the top.
        const double m = p + h * static_cast<double>(i) + h * 0.5;
        if (sections_[i].subtitle.empty()) {
            // Centres the title's ascent-to-descent box on the row.
            title.draw(painter, layout_.textX, m + (titleAscent_ - titleDescent_) * 0.5);
        } else {
            const double block =
                titleAscent_ + titleDescent_ + kTitleSubtitleGap + subAscent_ + subDescent_;
            const double titleBaseline = m - block * 0.5 + titleAscent_;
            title.draw(painter, layout_.textX, titleBaseline);
            subtitle.draw(painter, layout_.textX,
                          titleBaseline + titleDescent_ + kTitleSubtitleGap + subAscent_);
        }
    }
    painter.restore();
}

} // namespace kestrune
