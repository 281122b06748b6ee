#include "guarded_application.h"

#include <QDebug>
#include <exception>

namespace zumora {

namespace {

void report(const QObject* receiver, const QEvent* event, const char* what) {
    qCritical("zumora: an action failed and was abandoned: %s (event %d for %s)", what,
              int(event->type()), receiver ? receiver->metaObject()->className() : "nothing");
    QApplication::beep();
}

} // namespace

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        report(receiver, event, e.what());
    } catch (...) {
        report(receiver, event, "unknown exception");
    }
    return false;
}

} // namespace zumora
