#include "library/LookupAll.h"

#include "settings/AppSettings.h"
#include "engines/duckduckgo/DuckDuckGoSearch.h"
#include "lookup/LookupError.h"
#include "services/SafariCookieStore.h"
#include "support/WorkPool.h"

#include <QCoroFuture>
#include <QMap>

namespace tolvane {

namespace {

QCoro::Task<> loadBrowserCookies()
{
    if (!AppSettings::useSafariCookies()) {
        SafariCookieStore::loadCookies(false);
        co_return;
    }
    // The status is not needed here: loading fills the store the web requests read from.
    const auto load = [] { SafariCookieStore::loadCookies(true); };
    const QFuture<void> loaded = runInWorkPool(load);
    co_await loaded;
}

QCoro::Task<EngineReply> askEngine(SearchEngine engine, MovieLookup lookup, LookupEngines engines,
    EngineQueries queries, std::optional<int> fallbackYear, std::shared_ptr<CancellationHandle> cancellation)
{
    try {
        switch (engine) {
        case SearchEngine::yandexAI: {
            QCoro::Task<YandexAIStudioClient::AgentResult> asked
                = engines.askAgent(queries.agentInput, lookup, cancellation);
            const YandexAIStudioClient::AgentResult result = co_await std::move(asked);
            co_return agentReply(result, queries.agentInput, fallbackYear);
        }
        case SearchEngine::vkvideo: {
            QCoro::Task<QList<VKVideoAPIClient::VideoHit>> searched
                = engines.searchVideos(queries.query, lookup, cancellation);
            const QList<VKVideoAPIClient::VideoHit> hits = co_await std::move(searched);
            co_return videoReply(hits, queries.query);
        }
        case SearchEngine::duckDuckGo: {
            QCoro::Task<MovieMatch> searched = engines.searchDuckDuckGo(queries.duckDuckGoQuery, lookup, cancellation);
            const MovieMatch match = co_await std::move(searched);
            co_return EngineReply{engine, EngineReplyStatus::success(match), {}};
        }
        }
    } catch (const LookupError &error) {
        co_return failedReply(engine, error.description());
    } catch (const std::exception &error) {
        co_return failedReply(engine, QString::fromUtf8(error.what()));
    }
    co_return failedReply(engine, QStringLiteral("Skipped"));
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
    // The settings are read at every call, so a key saved meanwhile serves the next row.
    const auto askAgent = [](QString text, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation) {
        return YandexAIStudioClient::askAgent(
            agentConfigFromSettings(), std::move(text), std::move(lookup), std::move(cancellation));
    };
    return {askAgent, VKVideoAPIClient::searchVideos, tolvane::searchDuckDuckGo, loadBrowserCookies};
}

EngineReply failedReply(SearchEngine engine, const QString &message)
{
    return {engine, EngineReplyStatus::failed(message), {}};
}

EngineReply agentReply(
    const YandexAIStudioClient::AgentResult &result, const QString &aiText, std::optional<int> fallbackYear)
{
    MovieMatch match;
    match.title = result.title;
    match.year = result.year ? result.year : fallbackYear;
    match.site = CatalogSite::yandexAI;
    match.sourceQuery = aiText;
    match.engine = SearchEngine::yandexAI;
    match.notes = result.notes;
    match.altTitles = result.altTitles;
    if (!result.altTitles.isEmpty())
        match.selectedAltTitle = result.altTitles.first();
    return {SearchEngine::yandexAI, EngineReplyStatus::success(match), {}};
}

EngineReply videoReply(const QList<VKVideoAPIClient::VideoHit> &hits, const QString &query)
{
    if (hits.isEmpty())
        return failedReply(SearchEngine::vkvideo, LookupError::noCatalogResult().description());
    QList<MovieMatch> matches;
    matches.reserve(hits.size());
    for (const VKVideoAPIClient::VideoHit &hit : hits) {
        MovieMatch match;
        match.title = hit.title;
        match.year = hit.year;
        match.pageURL = hit.pageURL;
        match.site = CatalogSite::vkvideo;
        match.sourceQuery = query;
        match.engine = SearchEngine::vkvideo;
        matches.append(match);
    }
    return {SearchEngine::vkvideo, EngineReplyStatus::success(matches.first()), matches};
}

QCoro::Task<QList<EngineReply>> lookupAll(MovieLookup lookup, LookupEngines engines, QString query,
    std::optional<QString> aiText, std::optional<int> fallbackYear, ReplyCallback onReply,
    std::shared_ptr<CancellationHandle> cancellation)
{
    const std::optional<EngineQueries> queries = buildEngineQueries(query, aiText);
    if (!queries)
        throw LookupError::emptyQuery();
    if (engines.prepareCookies) {
        QCoro::Task<> prepared = engines.prepareCookies();
        co_await std::move(prepared);
    }

    const auto isCancelled = [&cancellation] { return cancellation && cancellation->isCancelled(); };
    QMap<SearchEngine, EngineReply> replies;
    for (SearchEngine engine : allSearchEngines) {
        if (isCancelled())
            throw Cancelled();
        QCoro::Task<EngineReply> asked = askEngine(engine, lookup, engines, *queries, fallbackYear, cancellation);
        EngineReply reply = co_await std::move(asked);
        // A failure that arrives after the cancellation is the aborted request, not an answer.
        if (isCancelled() && !reply.status.isSuccess())
            throw Cancelled();
        replies.insert(engine, reply);
        if (onReply)
            onReply(reply);
    }

    QList<EngineReply> result;
    for (SearchEngine engine : allSearchEngines)
        result.append(replies.value(engine, failedReply(engine, QStringLiteral("Skipped"))));
    co_return result;
}

} // namespace tolvane
