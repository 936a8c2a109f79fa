#include "trim_session.h"

#include "editing/filmstrip.h"
#include "editing/project_view_model.h"
#include "playback/playback_manager.h"
#include "time_text.h"

#include <algorithm>

namespace kestrune {

TrimSession::TrimSession(QObject* parent)
    : QObject(parent) {}

TrimSession::~TrimSession() = default;

void TrimSession::classBegin() {
    completed_ = false;
}

void TrimSession::componentComplete() {
    completed_ = true;
    begin();
}

QObject* TrimSession::projectVM() const {
    return projectVM_.data();
}

void TrimSession::setProjectVM(QObject* projectVM) {
    auto* model = qobject_cast<ProjectViewModel*>(projectVM);
    if (model == projectVM_)
        return;
    disconnect(projectConnection_);
    projectVM_ = model;
    if (model)
        projectConnection_ =
            connect(model, &ProjectViewModel::projectChanged, this, &TrimSession::onProjectChanged);
    emit projectVMChanged();
    begin();
}

QObject* TrimSession::playback() const {
    return playback_.data();
}

void TrimSession::setPlayback(QObject* playback) {
    if (playback == playback_)
        return;
    disconnect(playheadConnection_);
    playback_ = playback;
    disconnect(frameRateConnection_);
    if (auto* manager = playbackManager()) {
        playheadConnection_ = connect(manager, &PlaybackManager::trimClipCurrentTimeChanged, this,
                                      &TrimSession::playheadXChanged);
        // The timecodes count the clip's own frames once its file is read.
        frameRateConnection_ =
            connect(manager, &PlaybackManager::trimClipFrameRateChanged, this, [this] {
                emit trimInChanged();
                emit trimOutChanged();
                emit rangeChanged();
            });
    }
    emit playbackChanged();
    emit playheadXChanged();
    begin();
}

void TrimSession::setClipId(const QString& clipId) {
    if (clipId == clipId_)
        return;
    clipId_ = clipId;
    emit clipIdChanged();
    begin();
}

PlaybackManager* TrimSession::playbackManager() const {
    return qobject_cast<PlaybackManager*>(playback_.data());
}

double TrimSession::playheadTime() const {
    const auto* manager = playbackManager();
    return manager ? manager->trimClipCurrentTime() : 0;
}

void TrimSession::begin() {
    if (!completed_)
        return;
    const VideoClip* found = nullptr;
    QString path;
    if (projectVM_ && !clipId_.isEmpty()) {
        const auto& clips = projectVM_->project().clips;
        const auto clip = std::find_if(clips.begin(), clips.end(), [this](const VideoClip& c) {
            return QString::fromStdString(c.id.toString()) == clipId_;
        });
        if (clip != clips.end()) {
            const auto location = projectVM_->clipPaths().find(clip->id);
            if (location != projectVM_->clipPaths().end()) {
                found = &*clip;
                path = location->second;
            }
        }
    }
    if (!found) {
        // A clip without its file cannot be trimmed.
        filmstrip_.clear();
        setActive(false);
        return;
    }
    // Everything from here to finish() is one undo step.
    projectVM_->closeStep();
    clip_ = *found;
    trimIn_ = clip_.trimIn;
    trimOut_ = clip_.trimOut.value_or(clip_.duration);
    setActive(true);
    emit clipChanged();
    emit trimInChanged();
    emit trimOutChanged();
    emit trimInTextChanged();
    emit trimOutTextChanged();
    emit rangeChanged();
    emit geometryChanged();
    emit playheadXChanged();
    filmstrip_.generate(path, kFilmstripFrameCount, kFilmstripFrameHeight);
    if (auto* manager = playbackManager())
        manager->enterTrimMode(clip_, path);
}

void TrimSession::setActive(bool active) {
    if (active == isActive_)
        return;
    isActive_ = active;
    emit clipChanged();
}

void TrimSession::onProjectChanged() {
    if (!isActive_)
        return;
    const VideoClip* clip = projectVM_->findClip(clip_.id);
    // The clip was removed while it was trimmed: nothing is written for it any more.
    if (!clip) {
        setActive(false);
        return;
    }
    // Points changed in the project itself (an undo) are shown as they are there.
    setPoints(clip->trimIn, clip->trimOut.value_or(clip->duration), false);
}

QString TrimSession::resolutionText() const {
    return QStringLiteral("%1 x %2").arg(clip_.width).arg(clip_.height);
}

QString TrimSession::originalText() const {
    return formatLength(clip_.duration);
}

void TrimSession::setTrimIn(double seconds) {
    setPoints(seconds, trimOut_);
}

void TrimSession::setTrimOut(double seconds) {
    setPoints(trimIn_, seconds);
}

QString TrimSession::trimInText() const {
    return formatTime(trimIn_);
}

QString TrimSession::trimOutText() const {
    return formatTime(trimOut_);
}

QString TrimSession::inLabelText() const {
    return tr("IN: %1").arg(formatTimecode(trimIn_, frameRate()));
}

QString TrimSession::outLabelText() const {
    return tr("OUT: %1").arg(formatTimecode(trimOut_, frameRate()));
}

QString TrimSession::durationLabelText() const {
    return tr("Duration: %1").arg(formatTimecode(trimOut_ - trimIn_, frameRate()));
}

QString TrimSession::trimmedText() const {
    return formatLength(trimOut_ - trimIn_);
}

double TrimSession::frameRate() const {
    const auto* manager = playbackManager();
    return manager ? manager->trimClipFrameRate() : 0;
}

bool TrimSession::isTrimmed() const {
    return trimIn_ > 0 || storedTrimOut(trimOut_, clip_.duration).has_value();
}

double TrimSession::filmstripHeight() {
    return kFilmstripFrameHeight;
}

void TrimSession::setViewWidth(double width) {
    if (width == viewWidth_)
        return;
    viewWidth_ = width;
    emit geometryChanged();
    emit playheadXChanged();
}

double TrimSession::playheadX() const {
    return strip().xForTime(playheadTime());
}

void TrimSession::dragInHandle(double x) {
    setPoints(frameAlignedTrimIn(draggedTrimIn(strip(), x, trimOut_), trimOut_, frameRate()),
              trimOut_);
}

void TrimSession::dragOutHandle(double x) {
    const double trimOut = draggedTrimOut(strip(), x, trimIn_);
    setPoints(trimIn_, frameAlignedTrimOut(trimOut, trimIn_, clip_.duration, frameRate()));
}

void TrimSession::scrubAt(double x) {
    auto* manager = playbackManager();
    if (!manager)
        return;
    if (!manager->isScrubbing())
        manager->beginTrimScrub();
    manager->scrubTrim(scrubTimeAt(strip(), x));
}

void TrimSession::endScrub() {
    if (auto* manager = playbackManager(); manager && manager->isScrubbing())
        manager->endTrimScrub();
}

void TrimSession::submitTrimIn(const QString& text) {
    if (const auto seconds = parseTime(text))
        setPoints(frameAlignedTrimIn(typedTrimIn(*seconds, trimOut_), trimOut_, frameRate()),
                  trimOut_);
    emit trimInTextChanged();
}

void TrimSession::submitTrimOut(const QString& text) {
    if (const auto seconds = parseTime(text)) {
        const double trimOut = typedTrimOut(*seconds, trimIn_, clip_.duration);
        setPoints(trimIn_, frameAlignedTrimOut(trimOut, trimIn_, clip_.duration, frameRate()));
    }
    emit trimOutTextChanged();
}

// The playhead stands on a frame's start already; the keys wait for the frame
// steps pressed before them to land.
void TrimSession::setInToPlayhead() {
    afterPendingSteps(
        [this](double playhead) { setPoints(typedTrimIn(playhead, trimOut_), trimOut_); });
}

void TrimSession::setOutToPlayhead() {
    afterPendingSteps([this](double playhead) {
        setPoints(trimIn_, typedTrimOut(playhead, trimIn_, clip_.duration));
    });
}

void TrimSession::afterPendingSteps(std::function<void(double playhead)> action) {
    auto* manager = playbackManager();
    if (!manager) {
        action(playheadTime());
        return;
    }
    manager->afterPendingSteps([self = QPointer<TrimSession>(this), action](double playhead) {
        if (self && self->isActive_)
            action(playhead);
    });
}

void TrimSession::reset() {
    setPoints(0, clip_.duration, false);
    if (isActive_ && projectVM_)
        projectVM_->resetTrim(clip_.id);
}

void TrimSession::togglePlayback() {
    afterPendingSteps([this](double) {
        auto* manager = playbackManager();
        if (!manager)
            return;
        if (manager->isPlaying())
            manager->pauseTrim();
        else
            manager->playTrimRange(trimIn_, trimOut_);
    });
}

void TrimSession::finish() {
    if (isActive_ && projectVM_) {
        write();
        projectVM_->closeStep();
        projectVM_->refreshThumbnail(clip_.id);
    }
    if (auto* manager = playbackManager())
        manager->exitTrimMode();
}

void TrimSession::setPoints(double trimIn, double trimOut, bool writeThrough) {
    const bool inChanged = trimIn != trimIn_;
    const bool outChanged = trimOut != trimOut_;
    if (!inChanged && !outChanged)
        return;
    trimIn_ = trimIn;
    trimOut_ = trimOut;
    if (inChanged) {
        emit trimInChanged();
        emit trimInTextChanged();
    }
    if (outChanged) {
        emit trimOutChanged();
        emit trimOutTextChanged();
    }
    emit rangeChanged();
    emit geometryChanged();
    if (writeThrough)
        write();
}

void TrimSession::write() {
    if (isActive_ && projectVM_)
        projectVM_->updateTrim(clip_.id, trimIn_, storedTrimOut(trimOut_, clip_.duration));
}

} // namespace kestrune
