#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

// Tests reach the windows and their controls by their design names, as users' assistive tools
// do, never by visible text.
inline QWidget* top_level(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name)
            return w;
    }
    return nullptr;
}

template <typename T = QWidget> T* control(const QString& window, const QString& name) {
    QWidget* w = top_level(window);
    return w ? w->findChild<T*>(name) : nullptr;
}
