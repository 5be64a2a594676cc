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

    /// The shared transport, gate and identity, with the browser cookie file.
    static MovieLookup standard();
};

/// Asks the browser cookie store for `url`'s Cookie header on the work pool (it may read a file).
QCoro::Task<std::optional<QString>> browserCookieHeader(QUrl url);

} // namespace tolvane
