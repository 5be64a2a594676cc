#include "lookup/SearchRateGate.h"

#include "support/CancellableSleep.h"

#include <QRandomGenerator>

namespace tolvane {

namespace {

constexpr quint64 twoTo53 = quint64(1) << 53;

SearchRateGate::Clock::duration seconds(double value)
{
    return std::chrono::duration_cast<SearchRateGate::Clock::duration>(std::chrono::duration<double>(value));
}

QCoro::Task<> sleepOnEventLoop(std::chrono::nanoseconds duration)
{
    // A precise timer: a coarse one may fire up to 5 % early and let a search out before its slot.
    co_await sleepUnlessCancelled(duration, nullptr);
}

} // namespace

SearchRateGate::Hooks SearchRateGate::systemHooks()
{
    return {
        [] { return Clock::now(); },
        sleepOnEventLoop,
        [] { return QRandomGenerator::global()->bounded(twoTo53 + 1); },
    };
}

SearchRateGate::SearchRateGate(Hooks hooks)
    : m_hooks(std::move(hooks))
{
}

const std::shared_ptr<SearchRateGate> &SearchRateGate::shared()
{
    static const std::shared_ptr<SearchRateGate> gate = std::make_shared<SearchRateGate>();
    return gate;
}

double SearchRateGate::jitterSeconds(quint64 draw)
{
    if (draw >= twoTo53)
        return 0.65;
    return 0.15 + 0.5 * (static_cast<double>(draw) / static_cast<double>(twoTo53));
}

QCoro::Task<> SearchRateGate::wait(QString key, double minimumIntervalSeconds)
{
    const Clock::time_point now = m_hooks.now();
    Clock::time_point start = now;
    if (const auto pending = m_nextAllowed.constFind(key); pending != m_nextAllowed.cend() && *pending > now)
        start = *pending;
    // Reserve before sleeping: the next caller queues behind this slot instead of sharing it.
    m_nextAllowed.insert(key, start + seconds(minimumIntervalSeconds + jitterSeconds(m_hooks.random())));
    if (start > now)
        co_await m_hooks.sleep(std::chrono::duration_cast<std::chrono::nanoseconds>(start - now));
}

void SearchRateGate::penalize(const QString &key, double pauseSeconds)
{
    const Clock::time_point until = m_hooks.now() + seconds(pauseSeconds);
    if (const auto pending = m_nextAllowed.constFind(key); pending != m_nextAllowed.cend() && *pending > until)
        return;
    m_nextAllowed.insert(key, until);
}

std::optional<SearchRateGate::Clock::time_point> SearchRateGate::nextAllowed(const QString &key) const
{
    const auto pending = m_nextAllowed.constFind(key);
    return pending == m_nextAllowed.cend() ? std::nullopt : std::optional(*pending);
}

} // namespace tolvane
