#include "engines/vkvideo/VKVideoEngine.h"

#include "lookup/LookupError.h"

namespace tolvane {

QCoro::Task<EngineReply> VKVideoEngine::search(
    EngineRequest request, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation)
{
    try {
        QCoro::Task<QList<VKVideoAPIClient::VideoHit>> searched
            = VKVideoAPIClient::searchVideos(request.queries.query, std::move(lookup), std::move(cancellation));
        const QList<VKVideoAPIClient::VideoHit> hits = co_await std::move(searched);
        co_return videoReply(hits, request.queries.query);
    } catch (...) {
        co_return failedReply(SearchEngine::vkvideo, std::current_exception());
    }
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

} // namespace tolvane
