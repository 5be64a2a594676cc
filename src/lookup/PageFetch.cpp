#include "lookup/PageFetch.h"

#include "lookup/LookupError.h"
#include "net/BodyDecoding.h"

#include <algorithm>
#include <charconv>

namespace tolvane {

namespace {

constexpr double defaultRateLimitPause = 12.0;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// [+-] digits [. digits] [e [+-] digits], with at least one digit before the exponent.
bool isPlainDecimal(const QByteArray &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    qsizetype digits = 0;
    for (; i < n && isDigit(text[i]); ++i)
        ++digits;
    if (i < n && text[i] == '.') {
        for (++i; i < n && isDigit(text[i]); ++i)
            ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        const qsizetype exponentStart = i;
        while (i < n && isDigit(text[i]))
            ++i;
        if (i == exponentStart)
            return false;
    }
    return i == n;
}

} // namespace

std::optional<double> parseRetryAfter(const QByteArray &retryAfter)
{
    if (!isPlainDecimal(retryAfter))
        return std::nullopt;
    const QByteArray number = retryAfter.startsWith('+') ? retryAfter.mid(1) : retryAfter;
    double seconds = 0;
    // from_chars ignores the C locale's decimal point, which Qt sets from the environment.
    const auto [end, status] = std::from_chars(number.cbegin(), number.cend(), seconds);
    if (status == std::errc::result_out_of_range) {
        const bool tiny = number.startsWith('-') || number.contains("e-") || number.contains("E-");
        seconds = tiny ? 0.0 : 60.0;
    }
    return std::clamp(seconds, 3.0, 60.0);
}

QCoro::Task<QString> fetchHTML(MovieLookup lookup, QUrl url, QUrl referer, QString gateKey, bool retryOn429,
    double minimumIntervalSeconds, std::shared_ptr<CancellationHandle> cancellation)
{
    co_await lookup.gate->wait(gateKey, minimumIntervalSeconds);

    HttpRequest request;
    request.url = url;
    request.idleTimeout = std::chrono::seconds(25);
    request.cancellation = cancellation;
    lookup.browser.apply(request, referer);
    const std::optional<QString> cookie = co_await lookup.cookieHeader(url);
    if (cookie)
        request.setHeader("Cookie", cookie->toUtf8());

    HttpResponse response;
    try {
        response = co_await lookup.session->send(request);
    } catch (const TransportError &error) {
        throw LookupError::network(error.message());
    }

    if (response.status == 429) {
        const double pause = parseRetryAfter(response.header("Retry-After")).value_or(defaultRateLimitPause);
        lookup.gate->penalize(gateKey, pause);
        if (!retryOn429)
            throw LookupError::network(LookupError::tr("HTTP 429 — rate limited, try later"));
        const auto pauseDuration
            = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(pause));
        const bool slept = co_await lookup.pause(pauseDuration, cancellation);
        if (!slept)
            throw Cancelled{};
        co_return co_await fetchHTML(
            std::move(lookup), url, referer, gateKey, false, minimumIntervalSeconds, std::move(cancellation));
    }
    if (response.status < 200 || response.status > 299)
        throw LookupError::network(QStringLiteral("HTTP %1").arg(response.status));
    co_return decodeBodyText(response.body, response.header("Content-Type"));
}

} // namespace tolvane
