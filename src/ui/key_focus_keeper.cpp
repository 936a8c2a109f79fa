#include "key_focus_keeper.h"

#include <QMouseEvent>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

namespace kestrune {

namespace {

// Qt Quick Controls put every open popup under this item of the window.
QQuickItem* overlayOf(const QQuickWindow& window) {
    for (QQuickItem* child : window.contentItem()->childItems())
        if (child->inherits("QQuickOverlay"))
            return child;
    return nullptr;
}

} // namespace

void KeyFocusKeeper::setView(QQuickWindow* window) {
    if (window == window_)
        return;
    if (window_)
        window_->removeEventFilter(this);
    window_ = window;
    if (window_)
        window_->installEventFilter(this);
    emit viewChanged();
}

bool KeyFocusKeeper::isTextEntry(const QQuickItem* item) {
    for (; item; item = item->parentItem())
        if (item->inherits("QQuickTextInput") || item->inherits("QQuickTextEdit"))
            return true;
    return false;
}

QQuickItem* KeyFocusKeeper::itemAt(QPointF scenePosition) const {
    QQuickItem* item = window_->contentItem();
    for (;;) {
        const QPointF local = item->mapFromScene(scenePosition);
        QQuickItem* child = item->childAt(local.x(), local.y());
        if (!child)
            return item;
        item = child;
    }
}

bool KeyFocusKeeper::popupIsOpen() const {
    const QQuickItem* overlay = overlayOf(*window_);
    if (!overlay)
        return false;
    for (const QQuickItem* child : overlay->childItems())
        if (child->isVisible())
            return true;
    return false;
}

bool KeyFocusKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::MouseButtonPress)
        return false;
    const auto* press = static_cast<QMouseEvent*>(event);
    // Decided before the press is delivered: a popup it closes was open for it.
    if (popupIsOpen() || isTextEntry(itemAt(press->scenePosition())))
        return false;
    // After the press has been delivered, so that whatever took the focus for
    // it gives it up again.
    // A press that opened a menu leaves the keys to the menu.
    QTimer::singleShot(0, this, [this] {
        if (window_ && !popupIsOpen())
            emit keysReturned();
    });
    return false;
}

} // namespace kestrune
