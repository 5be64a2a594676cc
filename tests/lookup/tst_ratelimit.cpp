#include "lookup/SearchRateGate.h"

#include <QCoroTask>
#include <QTest>

using namespace tolvane;
using namespace std::chrono_literals;
using Clock = SearchRateGate::Clock;

namespace {

/// A clock that moves only when told; the sleeper records when each caller would wake.
struct FakeTime {
    Clock::time_point now = Clock::time_point(1000s);
    quint64 draw = 0;
    QList<Clock::time_point> wakeTimes;
};

QCoro::Task<> recordSleep(FakeTime *time, std::chrono::nanoseconds duration)
{
    time->wakeTimes.append(time->now + duration);
    co_return;
}

SearchRateGate makeGate(FakeTime *time)
{
    return SearchRateGate({
        [time] { return time->now; },
        [time](std::chrono::nanoseconds duration) { return recordSleep(time, duration); },
        [time] { return time->draw; },
    });
}

/// Where a caller leaves the gate: now, or when its sleep ends.
Clock::time_point passGate(SearchRateGate &gate, FakeTime &time, const QString &key, double interval)
{
    const auto sleepsBefore = time.wakeTimes.size();
    QCoro::waitFor(gate.wait(key, interval));
    return time.wakeTimes.size() > sleepsBefore ? time.wakeTimes.last() : time.now;
}

double secondsBetween(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

constexpr quint64 twoTo53 = quint64(1) << 53;

} // namespace

class TestRateLimit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void twoSearchesInARow_data()
    {
        QTest::addColumn<quint64>("draw");
        QTest::addColumn<double>("gap");
        QTest::newRow("least jitter") << quint64(0) << 1.35;
        QTest::newRow("most jitter") << twoTo53 << 1.85;
    }
    void twoSearchesInARow()
    {
        QFETCH(quint64, draw);
        QFETCH(double, gap);
        FakeTime time;
        time.draw = draw;
        SearchRateGate gate = makeGate(&time);
        const Clock::time_point first = passGate(gate, time, u"duckduckgo.com"_qs, 1.2);
        QCOMPARE(first, time.now); // nobody before it: no wait
        time.now += 100ms;
        const Clock::time_point second = passGate(gate, time, u"duckduckgo.com"_qs, 1.2);
        QVERIFY(qAbs(secondsBetween(first, second) - gap) < 1e-6);

        // Another service never waits for this one.
        QCOMPARE(passGate(gate, time, u"www.themoviedb.org"_qs, 1.0), time.now);
    }

    void penaltiesNeverShortenTheWait_data()
    {
        QTest::addColumn<int>("callersBefore");
        QTest::addColumn<double>("penalty");
        QTest::addColumn<double>("nextAfter");
        QTest::newRow("key never used") << 0 << 3.0 << 3.0;
        // One caller leaves at 0 and books the next slot at 1.35.
        QTest::newRow("penalty beyond the slot") << 1 << 12.0 << 12.0;
        QTest::newRow("penalty inside the slot") << 1 << 1.0 << 1.35;
        // Nine callers arriving together book slots one apart, up to 9 × 1.35 = 12.15 s: no burst.
        QTest::newRow("12 s inside booked slots") << 9 << 12.0 << 12.15;
    }
    void penaltiesNeverShortenTheWait()
    {
        QFETCH(int, callersBefore);
        QFETCH(double, penalty);
        QFETCH(double, nextAfter);
        FakeTime time;
        SearchRateGate gate = makeGate(&time);
        const Clock::time_point start = time.now;
        for (int i = 0; i < callersBefore; ++i)
            passGate(gate, time, u"duckduckgo.com"_qs, 1.2);
        gate.penalize(u"duckduckgo.com"_qs, penalty);
        QVERIFY(qAbs(secondsBetween(start, *gate.nextAllowed(u"duckduckgo.com"_qs)) - nextAfter) < 1e-6);
        const Clock::time_point next = passGate(gate, time, u"duckduckgo.com"_qs, 1.2);
        QVERIFY(qAbs(secondsBetween(start, next) - nextAfter) < 1e-6);
    }
};

QTEST_GUILESS_MAIN(TestRateLimit)
#include "tst_ratelimit.moc"
