#include "engines/duckduckgo/DuckDuckGoEngine.h"

#include "engines/duckduckgo/DuckDuckGoSearch.h"

namespace tolvane {

QCoro::Task<EngineReply> DuckDuckGoEngine::search(
    EngineRequest request, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation)
{
    try {
        QCoro::Task<MovieMatch> searched
            = searchDuckDuckGo(request.queries.duckDuckGoQuery, std::move(lookup), std::move(cancellation));
        const MovieMatch match = co_await std::move(searched);
        co_return EngineReply{SearchEngine::duckDuckGo, EngineReplyStatus::success(match), {}};
    } catch (...) {
        co_return failedReply(SearchEngine::duckDuckGo, std::current_exception());
    }
}

} // namespace tolvane
