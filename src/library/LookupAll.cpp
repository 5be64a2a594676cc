#include "library/LookupAll.h"

#include "engines/agent/AgentEngine.h"
#include "engines/duckduckgo/DuckDuckGoEngine.h"
#include "engines/vkvideo/VKVideoEngine.h"
#include "lookup/LookupError.h"
#include "services/BrowserCookies.h"
#include "settings/AppSettings.h"
#include "support/WorkPool.h"

#include <QCoroFuture>

namespace tolvane {

namespace {

QCoro::Task<> loadBrowserCookies(std::shared_ptr<BrowserCookies> cookies)
{
    if (!cookies)
        co_return;
    if (!AppSettings::useSafariCookies()) {
        cookies->load(false);
        co_return;
    }
    // The status is not needed here: loading fills the store the web requests read from.
    const auto load = [cookies] { cookies->load(true); };
    const QFuture<void> loaded = runInWorkPool(load);
    co_await loaded;
}

} // namespace

YandexAIStudioClient::AgentConfig agentConfigFromSettings()
{
    YandexAIStudioClient::AgentConfig config{AppSettings::yandexAPIKey().trimmed(),
        AppSettings::yandexFolderID().trimmed(), AppSettings::yandexPromptID().trimmed(),
        AppSettings::yandexEndpointURL().trimmed()};
    if (config.endpoint.isEmpty())
        config.endpoint = AppSettings::defaultYandexEndpoint;
    return config;
}

LookupEngines LookupEngines::standard()
{
    // The agent reads the settings at every search, so a key saved meanwhile serves the next row.
    return {{std::make_shared<AgentEngine>(agentConfigFromSettings), std::make_shared<VKVideoEngine>(),
                std::make_shared<DuckDuckGoEngine>()},
        loadBrowserCookies};
}

QCoro::Task<QList<EngineReply>> lookupAll(MovieLookup lookup, LookupEngines engines, QString query,
    std::optional<QString> aiText, std::optional<int> fallbackYear, ReplyCallback onReply,
    std::shared_ptr<CancellationHandle> cancellation)
{
    const std::optional<EngineQueries> queries = buildEngineQueries(query, aiText);
    if (!queries)
        throw LookupError::emptyQuery();
    if (engines.prepareCookies) {
        QCoro::Task<> prepared = engines.prepareCookies(lookup.cookies);
        co_await std::move(prepared);
    }

    const auto isCancelled = [&cancellation] { return cancellation && cancellation->isCancelled(); };
    const EngineRequest request{*queries, fallbackYear};
    QList<EngineReply> replies;
    for (const std::shared_ptr<LookupEngine> &engine : std::as_const(engines.engines)) {
        if (isCancelled())
            throw Cancelled();
        QCoro::Task<EngineReply> asked = engine->search(request, lookup, cancellation);
        EngineReply reply = co_await std::move(asked);
        // A failure that arrives after the cancellation is the aborted request, not an answer.
        if (isCancelled() && !reply.status.isSuccess())
            throw Cancelled();
        replies.append(reply);
        if (onReply)
            onReply(reply);
    }
    co_return replies;
}

} // namespace tolvane
