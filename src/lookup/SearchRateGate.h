#pragma once

#include <QCoroTask>
#include <QHash>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace tolvane {

/// Spaces requests to one service (one gate key) by a minimum interval plus random jitter, and
/// backs a service off after it answers HTTP 429. Used on the main thread only, so its operations
/// never overlap.
class SearchRateGate {
public:
    using Clock = std::chrono::steady_clock;

    /// What the gate reads and does outside itself; tests replace them to check timing without sleeping.
    struct Hooks {
        std::function<Clock::time_point()> now;
        std::function<QCoro::Task<>(std::chrono::nanoseconds)> sleep;
        /// A uniform integer in [0, 2^53].
        std::function<quint64()> random;
    };
    static Hooks systemHooks();

    explicit SearchRateGate(Hooks hooks = systemHooks());

    /// The gate every lookup shares, created on first use.
    static const std::shared_ptr<SearchRateGate> &shared();

    /// Returns when the caller may send its request under `key`. Each caller reserves its own slot on
    /// entry, so callers that arrive together leave one interval (plus jitter) apart.
    QCoro::Task<> wait(QString key, double minimumIntervalSeconds);

    /// Pushes the key's next slot to now + `pauseSeconds`, unless it already lies later.
    void penalize(const QString &key, double pauseSeconds);

    /// The earliest time the next caller under `key` may start, if any caller has passed yet.
    std::optional<Clock::time_point> nextAllowed(const QString &key) const;

    /// The jitter, 0.15 s to 0.65 s, for a random draw in [0, 2^53].
    static double jitterSeconds(quint64 draw);

private:
    Hooks m_hooks;
    QHash<QString, Clock::time_point> m_nextAllowed;
};

} // namespace tolvane
