#pragma once

#include "lookup/LookupEngine.h"

namespace tolvane {

/// DuckDuckGo as a lookup engine: the first TMDB hit of a search for the query and "themoviedb".
class DuckDuckGoEngine final : public LookupEngine {
public:
    SearchEngine engine() const override { return SearchEngine::duckDuckGo; }
    QCoro::Task<EngineReply> search(
        EngineRequest request, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation) override;
};

} // namespace tolvane
