#pragma once

#include "engines/agent/YandexAIStudioClient.h"
#include "core/Records.h"
#include "lookup/LookupEngine.h"
#include "lookup/MovieLookup.h"
#include "support/CancellationHandle.h"

#include <QCoroTask>
#include <QList>

#include <functional>
#include <memory>
#include <optional>

namespace tolvane {

/// The engines a lookup asks, in priority order, and what readies the lookup's browser cookies
/// before them. The model holds the standard set; tests put scripted engines in its place.
struct LookupEngines {
    QList<std::shared_ptr<LookupEngine>> engines;
    std::function<QCoro::Task<>(std::shared_ptr<BrowserCookies>)> prepareCookies;

    /// The AI agent (with the settings as stored at each search), VK Video, DuckDuckGo.
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

} // namespace tolvane
