#include "lookup/MovieLookup.h"

#include "lookup/ServiceHosts.h"
#include "net/HttpTransport.h"
#include "services/BrowserCookies.h"
#include "support/CancellableSleep.h"
#include "support/WorkPool.h"

#include <QCoroFuture>

namespace tolvane {

namespace {

QCoro::Task<std::optional<QString>> noCookieHeader(QUrl)
{
    co_return std::nullopt;
}

} // namespace

QCoro::Task<std::optional<QString>> browserCookieHeader(std::shared_ptr<BrowserCookies> cookies, QUrl url)
{
    // Named locals: g++ 12 destroys a capturing lambda built inside a co_await operand twice.
    // The pool work holds the cookies itself: the lookup may be dropped before the pool gets to it.
    const auto lookUp = [cookies, url] { return cookies->cookieHeader(url); };
    const QFuture<std::optional<QString>> header = runInWorkPool(lookUp);
    const std::optional<QString> value = co_await header;
    co_return value;
}

MovieLookup MovieLookup::standard(std::shared_ptr<BrowserCookies> cookies)
{
    if (!cookies)
        return {HttpTransport::shared(), BrowserIdentity::standard(), SearchRateGate::shared(), noCookieHeader,
            sleepUnlessCancelled};
    // Named up front, so that one read of Firefox's database serves every engine.
    cookies->wantCookiesFor({hosts::vkLoginHost, hosts::vkVideoWebHost, hosts::duckDuckGoHTMLHost,
        hosts::tmdbWebHost, hosts::kinopoiskWebHost});
    // A plain lambda that hands its state to the coroutine: a capturing coroutine lambda would
    // read its closure after the caller's temporary copy of it is gone.
    const auto header = [cookies](QUrl url) { return browserCookieHeader(cookies, std::move(url)); };
    return {HttpTransport::shared(), BrowserIdentity::standard(), SearchRateGate::shared(), header,
        sleepUnlessCancelled, cookies};
}

} // namespace tolvane
