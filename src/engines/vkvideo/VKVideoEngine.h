#pragma once

#include "engines/vkvideo/VKVideoAPIClient.h"
#include "lookup/LookupEngine.h"

namespace tolvane {

/// VK Video as a lookup engine: its ranked hits, the best one as the match.
class VKVideoEngine final : public LookupEngine {
public:
    SearchEngine engine() const override { return SearchEngine::vkvideo; }
    QCoro::Task<EngineReply> search(
        EngineRequest request, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation) override;
};

/// The first hit as the match and every hit as a candidate; no hit fails as "no catalog result".
/// Pure.
EngineReply videoReply(const QList<VKVideoAPIClient::VideoHit> &hits, const QString &query);

} // namespace tolvane
