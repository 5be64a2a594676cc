#pragma once

#include <QString>

#include <optional>

namespace tolvane {

/// The first year 1900…2099 standing alone in the text (no digit right before or after it); none
/// when that first one is written in another script's digits. File names, stems and extra search
/// words all use this rule.
std::optional<int> detectedYear(const QString &text);

} // namespace tolvane
