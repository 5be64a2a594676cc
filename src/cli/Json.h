#pragma once

#include <QString>

#include <optional>

namespace tolvane::cli {

/// A JSON string literal for `text`, quotes included. Used where output is written directly
/// rather than through QJsonDocument, whose object building dominates large listings.
QString jsonString(const QString &text);
QString jsonString(const std::optional<QString> &text);
QString jsonNumber(std::optional<int> number);

} // namespace tolvane::cli
