#include "lookup/EngineQueries.h"

namespace tolvane {

std::optional<EngineQueries> buildEngineQueries(const QString &query, const std::optional<QString> &agentInput)
{
    const QString trimmedQuery = query.trimmed();
    if (trimmedQuery.isEmpty())
        return std::nullopt;

    // The agent gets its own richer input when the caller composed one; otherwise the plain query.
    QString agentText = agentInput ? agentInput->trimmed() : QString();
    if (agentText.isEmpty())
        agentText = trimmedQuery;

    // The extra word steers DuckDuckGo towards TMDB pages; it also becomes the match's source query.
    return EngineQueries{trimmedQuery, agentText, trimmedQuery + QStringLiteral(" themoviedb")};
}

} // namespace tolvane
