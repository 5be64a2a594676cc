#pragma once

#include "core/Records.h"
#include "lookup/EngineQueries.h"
#include "lookup/MovieLookup.h"
#include "support/CancellationHandle.h"

#include <QCoroTask>

#include <exception>
#include <memory>
#include <optional>

namespace tolvane {

/// What every engine is asked with for one row.
struct EngineRequest {
    EngineQueries queries;
    std::optional<int> fallbackYear; ///< the year the file name gives, for an answer without one
};

/// One search engine: asked once per row, it answers with a reply of its own kind. Its errors
/// become a failed reply; `Cancelled` and other foreign exceptions pass through to the caller.
class LookupEngine {
public:
    virtual ~LookupEngine();
    virtual SearchEngine engine() const = 0;
    virtual QCoro::Task<EngineReply> search(
        EngineRequest request, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation)
        = 0;
};

EngineReply failedReply(SearchEngine engine, const QString &message);
/// The failed reply for a caught error: a LookupError's description, else the exception's text.
/// Rethrows what is neither a LookupError nor a std::exception (`Cancelled` among them).
EngineReply failedReply(SearchEngine engine, std::exception_ptr error);

} // namespace tolvane
