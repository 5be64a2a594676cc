#pragma once

#include "engines/vkvideo/VKVideoAPIClient.h"
#include "engines/agent/YandexAIStudioClient.h"
#include "core/Records.h"
#include "lookup/EngineQueries.h"
#include "lookup/MovieLookup.h"
#include "support/CancellationHandle.h"

#include <QCoroTask>

#include <functional>
#include <memory>
#include <optional>

namespace tolvane {

/// The three engines a lookup asks, and what readies the browser cookies before them. The model
/// holds the standard set; tests put scripted engines in its place.
struct LookupEngines {
    template<typename Result>
    using Engine
        = std::function<QCoro::Task<Result>(QString text, MovieLookup lookup, std::shared_ptr<CancellationHandle>)>;

    Engine<YandexAIStudioClient::AgentResult> askAgent;
    Engine<QList<VKVideoAPIClient::VideoHit>> searchVideos;
    Engine<MovieMatch> searchDuckDuckGo;
    std::function<QCoro::Task<>()> prepareCookies;

    static LookupEngines standard();
};

/// The AI agent's settings as stored now, trimmed; a blank endpoint is the default one.
YandexAIStudioClient::AgentConfig agentConfigFromSettings();

using ReplyCallback = std::function<void(const EngineReply &)>;

/// Asks the engines one after another, in priority order, and returns one reply per engine in
/// that order; `onReply` sees each reply as soon as it is made. Throws `LookupError::emptyQuery()`
/// when the trimmed query is empty, and `Cancelled` when `cancellation` fires: the lookup then
/// asks no further engine, and the reply of an engine whose request the cancellation cut off is
/// dropped rather than delivered.
QCoro::Task<QList<EngineReply>> lookupAll(MovieLookup lookup, LookupEngines engines, QString query,
    std::optional<QString> aiText, std::optional<int> fallbackYear, ReplyCallback onReply,
    std::shared_ptr<CancellationHandle> cancellation);

// How engine results become replies. Pure.

/// The AI agent's answer as a success: no page, the fallback year when the agent gave none, the
/// first alternative title selected.
EngineReply agentReply(
    const YandexAIStudioClient::AgentResult &result, const QString &aiText, std::optional<int> fallbackYear);
/// The first hit as the match and every hit as a candidate; no hit fails as "no catalog result".
EngineReply videoReply(const QList<VKVideoAPIClient::VideoHit> &hits, const QString &query);
EngineReply failedReply(SearchEngine engine, const QString &message);

} // namespace tolvane
