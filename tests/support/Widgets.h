#pragma once

// Finding dialog controls by their id and driving widgets as a user does.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

// The child of w whose object name is id; fails the test when there is none.
template <class T = QWidget>
T* Control(const QWidget& w, int id) {
    T* c = w.findChild<T*>(QString::number(id));
    EXPECT_NE(c, nullptr) << id;
    return c;
}

inline void Click(const QWidget& w, int id) {
    Control<QAbstractButton>(w, id)->click();
}
inline QString Text(const QWidget& w, int id) {
    return Control<QLineEdit>(w, id)->text();
}
inline void SetText(const QWidget& w, int id, const QString& text) {
    Control<QLineEdit>(w, id)->setText(text);
}

inline void Key(QWidget* w, int key, QEvent::Type type = QEvent::KeyPress) {
    QKeyEvent e(type, key, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button,
                  Qt::MouseButtons held, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, mods);
    QApplication::sendEvent(w, &e);
}

// Press and release of the left button at one place.
inline void ClickAt(QWidget* w, QPointF at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, mods);
    Mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, mods);
}

// Runs act on the next modal dialog once the event loop reaches it.
template <class Act>
void OnNextModal(Act act) {
    QMetaObject::invokeMethod(
        qApp,
        [act] {
            QWidget* w = QApplication::activeModalWidget();
            ASSERT_NE(w, nullptr);
            act(*w);
        },
        Qt::QueuedConnection);
}

// Runs what the event loop has queued, deferred deletes included.
inline void Flush() {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}
