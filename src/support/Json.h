#pragma once

#include <QByteArray>
#include <QJsonObject>

#include <optional>

namespace tolvane {

/// The object a JSON text holds; none when the text is not valid JSON or its top level is no object.
std::optional<QJsonObject> parseJsonObject(const QByteArray &json);

} // namespace tolvane
