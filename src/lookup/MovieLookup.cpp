#include "lookup/MovieLookup.h"

#include "lookup/ServiceHosts.h"
#include "net/HttpTransport.h"
#include "services/BrowserCookies.h"
#include "support/CancellableSleep.h"
#include "support/WorkPool.h"

#include <QCoroFuture>

namespace tolvane {

QCoro::Task<std::optional<QString>> browserCookieHeader(QUrl url)
{
    // Named locals: g++ 12 destroys a capturing lambda built inside a co_await operand twice.
    const auto lookUp = [url] { return BrowserCookies::cookieHeader(url); };
    const QFuture<std::optional<QString>> header = runInWorkPool(lookUp);
    const std::optional<QString> value = co_await header;
    co_return value;
}

MovieLookup MovieLookup::standard()
{
    // Named up front, so that one read of Firefox's database serves every engine.
    BrowserCookies::wantCookiesFor({hosts::vkLoginHost, hosts::vkVideoWebHost, hosts::duckDuckGoHTMLHost,
        hosts::tmdbWebHost, hosts::kinopoiskWebHost});
    return {HttpTransport::shared(), BrowserIdentity::standard(), SearchRateGate::shared(), browserCookieHeader,
        sleepUnlessCancelled};
}

} // namespace tolvane
