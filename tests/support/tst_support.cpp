#include "support/CancellableSleep.h"
#include "support/WorkPool.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <stdexcept>

using namespace tolvane;
using namespace std::chrono_literals;

class TestSupport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void workPoolRunsOffTheCallingThread()
    {
        QThread *const caller = QThread::currentThread();
        QVERIFY(runInWorkPool([caller] { return QThread::currentThread() != caller; }).result());
    }

    void workPoolPassesExceptionsOn()
    {
        QFuture<int> future = runInWorkPool([]() -> int { throw std::runtime_error("unreadable"); });
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, future.result());
    }

    void sleep_data()
    {
        QTest::addColumn<int>("cancelAfterMs"); // -1: never
        QTest::addColumn<bool>("completed");
        QTest::newRow("runs out") << -1 << true;
        QTest::newRow("cancelled midway") << 50 << false;
        QTest::newRow("cancelled before") << 0 << false;
    }
    void sleep()
    {
        QFETCH(int, cancelAfterMs);
        QFETCH(bool, completed);
        auto cancellation = std::make_shared<CancellationHandle>();
        if (cancelAfterMs == 0)
            cancellation->cancel();
        else if (cancelAfterMs > 0)
            QTimer::singleShot(cancelAfterMs, cancellation.get(), &CancellationHandle::cancel);
        QElapsedTimer clock;
        clock.start();
        const std::chrono::milliseconds duration = completed ? 100ms : 5000ms;
        QCOMPARE(QCoro::waitFor(sleepUnlessCancelled(duration, cancellation)), completed);
        QVERIFY(clock.elapsed() < 2000);
        if (completed)
            QVERIFY(clock.elapsed() >= 100);
    }
};

QTEST_GUILESS_MAIN(TestSupport)
#include "tst_support.moc"
