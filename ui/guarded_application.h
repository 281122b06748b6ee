#pragma once

#include <QApplication>

namespace zumora {

// The program's Qt application. An exception must never unwind through Qt's event loop, which
// is not built for it; any handler's exception is caught here, in one place. The program keeps
// nothing that could be lost and every handler writes its result last, so the right thing for
// the user is to report the error on standard error, beep, drop the event and carry on.
class GuardedApplication : public QApplication {
    Q_OBJECT

public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace zumora
