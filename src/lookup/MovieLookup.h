#pragma once

#include "lookup/BrowserIdentity.h"
#include "lookup/SearchRateGate.h"
#include "net/Transport.h"
#include "support/CancellationHandle.h"

#include <QCoroTask>

#include <functional>
#include <memory>
#include <optional>

namespace tolvane {

class BrowserCookies;

/// What every lookup engine sends its requests with. The model holds one; tests build their own
/// around a fake transport, a gate with a fake clock and fixed cookies.
struct MovieLookup {
    std::shared_ptr<Transport> session;
    BrowserIdentity browser;
    std::shared_ptr<SearchRateGate> gate;
    /// The Cookie header the user's browser would send to a URL, if any.
    std::function<QCoro::Task<std::optional<QString>>(QUrl)> cookieHeader;
    /// Waits out a pause the service asked for; false when the lookup was cancelled meanwhile.
    std::function<QCoro::Task<bool>(std::chrono::nanoseconds, std::shared_ptr<CancellationHandle>)> pause;

    /// The user's browser cookies, which a lookup loads before its first request; none where
    /// requests carry no browser cookies (tests with fixed ones).
    std::shared_ptr<BrowserCookies> cookies = {};

    /// The shared transport, gate and identity, with the Cookie headers of `cookies` (none without).
    static MovieLookup standard(std::shared_ptr<BrowserCookies> cookies = {});
};

/// Asks `cookies` for `url`'s Cookie header on the work pool (it may read a file).
QCoro::Task<std::optional<QString>> browserCookieHeader(std::shared_ptr<BrowserCookies> cookies, QUrl url);

} // namespace tolvane
