#include "lookup/LookupEngine.h"

#include "lookup/LookupError.h"

namespace tolvane {

LookupEngine::~LookupEngine() = default;

EngineReply failedReply(SearchEngine engine, const QString &message)
{
    return {engine, EngineReplyStatus::failed(message), {}};
}

EngineReply failedReply(SearchEngine engine, std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const LookupError &lookupError) {
        return failedReply(engine, lookupError.description());
    } catch (const std::exception &other) {
        return failedReply(engine, QString::fromUtf8(other.what()));
    }
}

} // namespace tolvane
