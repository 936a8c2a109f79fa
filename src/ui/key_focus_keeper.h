// Gives the keyboard back to the preview after a click anywhere but a text
// field, so that Space and the arrows drive the video again after a button, a
// switch or a theme tile was clicked. Clicks inside an open dialog or menu are
// left alone: those keep their own keys.
#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickWindow>
#include <QtQml/qqmlregistration.h>

class QQuickItem;

namespace kestrune {

class KeyFocusKeeper : public QObject {
    Q_OBJECT
    QML_ELEMENT
    // The window whose clicks are watched.
    Q_PROPERTY(QQuickWindow* view READ view WRITE setView NOTIFY viewChanged)

public:
    using QObject::QObject;

    QQuickWindow* view() const { return window_; }
    void setView(QQuickWindow* window);

    // Whether `item` or one of the items holding it takes typed text.
    static bool isTextEntry(const QQuickItem* item);

signals:
    void viewChanged();
    // A click landed outside every text field while no dialog or menu was open;
    // the window hands the keys back to whichever view drives the video.
    void keysReturned();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The item a press at `scenePosition` lands on, deepest first.
    QQuickItem* itemAt(QPointF scenePosition) const;
    // A dialog, sheet or menu is open over the window.
    bool popupIsOpen() const;

    QPointer<QQuickWindow> window_;
};

} // namespace kestrune
