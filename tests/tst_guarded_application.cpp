#include "guarded_application.h"
#include "guarded_exec.h"

#include <QTest>
#include <QTimer>
#include <stdexcept>

namespace {

// A handler that fails, as one of the program's own could by running out of memory.
class FailingHandler : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("handler failed");
        return QObject::event(e);
    }
};

} // namespace

class TestGuardedApplication : public QObject {
    Q_OBJECT

private slots:
    void reportsAndCarriesOn() {
        FailingHandler handler;
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("handler failed")));
        QEvent failing(QEvent::User);
        QVERIFY(!QCoreApplication::sendEvent(&handler, &failing));

        // Inside the event loop too: the failing event is dropped and the loop goes on to the
        // next one, which ends it normally.
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("handler failed")));
        QCoreApplication::postEvent(&handler, new QEvent(QEvent::User));
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCOMPARE(exec_at_most(std::chrono::seconds(5)), 0);
    }
};

int main(int argc, char* argv[]) {
    zumora::GuardedApplication app(argc, argv);
    TestGuardedApplication test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_guarded_application.moc"
