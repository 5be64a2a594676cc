#pragma once

#include <QString>

#include <optional>

namespace tolvane {

/// The text each engine receives for one row.
struct EngineQueries {
    QString query; ///< trimmed query, sent to VK Video
    QString agentInput; ///< sent to the AI agent
    QString duckDuckGoQuery; ///< query + " themoviedb"

    bool operator==(const EngineQueries &) const = default;
};

/// Absent when the trimmed query is empty: the lookup then fails with `LookupError::emptyQuery()`
/// before any engine is asked.
std::optional<EngineQueries> buildEngineQueries(const QString &query, const std::optional<QString> &agentInput);

} // namespace tolvane
