#include "support/Json.h"

#include <QJsonDocument>

namespace tolvane {

std::optional<QJsonObject> parseJsonObject(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace tolvane
