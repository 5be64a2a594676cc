#include "clients/AgentPrompt.h"

#include <QFile>
#include <QStringDecoder>

namespace tolvane {

std::optional<QString> loadPromptResource()
{
    QFile file(QStringLiteral(":/prompt.md"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(file.readAll());
    if (utf8.hasError())
        return std::nullopt;
    return text;
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
