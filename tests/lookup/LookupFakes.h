#pragma once

// Test doubles for the engines: a scripted transport that records what it was sent, and a
// MovieLookup around it whose gate runs on a fake clock, so nothing in a suite really waits.

#include "lookup/LookupError.h"
#include "lookup/MovieLookup.h"
#include "net/Transport.h"

#include <QCoroTask>

#include <functional>
#include <memory>
#include <optional>

namespace tolvane::fakes {

/// Answers each request with the responder's answer (which may throw TransportError); records all.
class FakeTransport : public Transport {
public:
    using Responder = std::function<HttpResponse(const HttpRequest &)>;
    explicit FakeTransport(Responder responder = {}) : responder(std::move(responder)) { }
    Responder responder;
    QList<HttpRequest> requests;

    QCoro::Task<HttpResponse> send(HttpRequest request) override
    {
        requests.append(request);
        HttpResponse response = responder(request);
        if (response.url.isEmpty())
            response.url = request.url;
        co_return response;
    }
};

inline HttpResponse answer(int status, QByteArray body)
{
    HttpResponse response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

inline HttpResponse ok(QByteArray body) { return answer(200, std::move(body)); }

/// The fake clock and browser cookies (per URL; absent: no Cookie header) behind `fakeLookup`.
struct FakeWorld {
    SearchRateGate::Clock::time_point now = SearchRateGate::Clock::time_point(std::chrono::seconds(1000));
    std::function<std::optional<QString>(const QUrl &)> cookies;
    QList<QUrl> cookieLookups;
};

// Free coroutines, not capturing lambdas: a lambda temporary's closure dies at the first suspension.
inline QCoro::Task<> advanceClock(FakeWorld *world, std::chrono::nanoseconds duration)
{
    world->now += std::chrono::duration_cast<SearchRateGate::Clock::duration>(duration);
    co_return;
}

inline QCoro::Task<std::optional<QString>> cookiesOf(FakeWorld *world, QUrl url)
{
    world->cookieLookups.append(url);
    co_return world->cookies ? world->cookies(url) : std::nullopt;
}

inline QCoro::Task<bool> pause(FakeWorld *world, std::chrono::nanoseconds duration, std::shared_ptr<CancellationHandle> c)
{
    co_await advanceClock(world, duration);
    co_return !(c && c->isCancelled());
}

/// A MovieLookup over `transport` whose gate sleeps by moving `world->now` (jitter draw 0: +0.15 s).
inline MovieLookup fakeLookup(std::shared_ptr<Transport> transport, FakeWorld *world)
{
    SearchRateGate::Hooks hooks{[world] { return world->now; },
        [world](std::chrono::nanoseconds duration) { return advanceClock(world, duration); },
        [] { return quint64(0); }};
    return {std::move(transport), BrowserIdentity::standard(), std::make_shared<SearchRateGate>(hooks),
        [world](QUrl url) { return cookiesOf(world, std::move(url)); },
        [world](std::chrono::nanoseconds d, std::shared_ptr<CancellationHandle> c) { return pause(world, d, std::move(c)); }};
}

/// An engine call run to its end: its value or the LookupError it threw (QCoro::waitFor hangs on a throw).
template<typename T> struct Outcome {
    std::optional<T> value;
    std::optional<LookupError> error;
};

template<typename T> QCoro::Task<Outcome<T>> capture(QCoro::Task<T> task)
{
    Outcome<T> outcome;
    try {
        T value = co_await std::move(task);
        outcome.value = std::move(value);
    } catch (const LookupError &error) {
        outcome.error = error;
    }
    co_return outcome;
}

template<typename T> Outcome<T> run(QCoro::Task<T> task) { return QCoro::waitFor(capture(std::move(task))); }

} // namespace tolvane::fakes
