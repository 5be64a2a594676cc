#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringView>

#include <optional>

namespace tolvane {

/// The object a JSON text holds; none when the text is not valid JSON or its top level is no object.
std::optional<QJsonObject> parseJsonObject(const QByteArray &json);

/// The whole text as a decimal integer with at most one leading sign; none for anything else
/// (spaces, other digits, a fraction) and beyond the range of qint64.
std::optional<qint64> parseDecimalInteger(QStringView text);

/// A JSON value as an integer, as services and tools write them: an integral number as it is, any
/// other finite number truncated toward zero, a string holding a decimal integer. None for anything
/// else, and for numbers beyond the range of qint64.
std::optional<qint64> jsonInteger(const QJsonValue &value);

} // namespace tolvane
