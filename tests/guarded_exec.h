#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

// Runs the event loop until the code under test ends it. A hang ends it after `limit` with
// status 99, so that the test fails instead of blocking the run; the guard ends with this call
// and can never end a later test's loop.
inline int exec_at_most(std::chrono::milliseconds limit) {
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    guard.start(limit);
    return QCoreApplication::exec();
}
