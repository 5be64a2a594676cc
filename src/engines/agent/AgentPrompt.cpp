#include "engines/agent/AgentPrompt.h"

#include "core/Text.h"

#include <QFile>

namespace tolvane {

std::optional<QString> loadPromptResource()
{
    QFile file(QStringLiteral(":/prompt.md"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return strictUtf8(file.readAll());
}

bool copyPromptToClipboard(DesktopServices &desktop)
{
    const std::optional<QString> prompt = loadPromptResource();
    if (!prompt || prompt->isEmpty())
        return false;
    desktop.setClipboardText(*prompt);
    return true;
}

} // namespace tolvane
