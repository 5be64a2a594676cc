#pragma once

#include "engines/agent/YandexAIStudioClient.h"
#include "lookup/LookupEngine.h"

#include <functional>

namespace tolvane {

/// The AI agent as a lookup engine. It asks `config` for the agent's settings at every search, so
/// settings saved meanwhile serve the next row.
class AgentEngine final : public LookupEngine {
public:
    using ConfigSource = std::function<YandexAIStudioClient::AgentConfig()>;

    explicit AgentEngine(ConfigSource config);
    SearchEngine engine() const override { return SearchEngine::yandexAI; }
    QCoro::Task<EngineReply> search(
        EngineRequest request, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation) override;

private:
    ConfigSource m_config;
};

/// The agent's answer as a success: no page, the fallback year when the agent gave none, the
/// first alternative title selected. Pure.
EngineReply agentReply(
    const YandexAIStudioClient::AgentResult &result, const QString &aiText, std::optional<int> fallbackYear);

} // namespace tolvane
