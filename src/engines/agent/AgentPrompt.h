#pragma once

#include "support/DesktopServices.h"

#include <QString>

#include <optional>

namespace tolvane {

/// The agent's system prompt shipped with the application (":/prompt.md"), read as UTF-8.
/// Absent when the resource is missing or cannot be read.
std::optional<QString> loadPromptResource();

/// Puts the bundled prompt on the clipboard for pasting into the service console. False when
/// there is no prompt or it is empty.
bool copyPromptToClipboard(DesktopServices &desktop);

} // namespace tolvane
