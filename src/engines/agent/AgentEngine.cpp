#include "engines/agent/AgentEngine.h"

namespace tolvane {

namespace {

QCoro::Task<EngineReply> askAgentFor(YandexAIStudioClient::AgentConfig config, EngineRequest request,
    MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation)
{
    try {
        QCoro::Task<YandexAIStudioClient::AgentResult> asked = YandexAIStudioClient::askAgent(
            std::move(config), request.queries.agentInput, std::move(lookup), std::move(cancellation));
        const YandexAIStudioClient::AgentResult result = co_await std::move(asked);
        co_return agentReply(result, request.queries.agentInput, request.fallbackYear);
    } catch (...) {
        co_return failedReply(SearchEngine::yandexAI, std::current_exception());
    }
}

} // namespace

AgentEngine::AgentEngine(ConfigSource config)
    : m_config(std::move(config))
{
}

QCoro::Task<EngineReply> AgentEngine::search(
    EngineRequest request, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation)
{
    // A free coroutine: the engine object need not outlive the search.
    return askAgentFor(m_config(), std::move(request), std::move(lookup), std::move(cancellation));
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

} // namespace tolvane
