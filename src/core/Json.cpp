#include "core/Json.h"

#include <QJsonDocument>
#include <QVariant>

#include <charconv>
#include <cmath>

namespace tolvane {

std::optional<QJsonObject> parseJsonObject(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<qint64> parseDecimalInteger(QStringView text)
{
    const bool plus = text.startsWith(u'+');
    if (plus)
        text = text.mid(1);
    QByteArray digits;
    digits.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c < u'0' || c > u'9') && !(i == 0 && c == u'-' && !plus))
            return std::nullopt;
        digits.append(char(c));
    }
    qint64 value = 0;
    const auto [end, status] = std::from_chars(digits.cbegin(), digits.cend(), value);
    if (digits.isEmpty() || status != std::errc() || end != digits.cend())
        return std::nullopt;
    return value;
}

std::optional<qint64> jsonInteger(const QJsonValue &value)
{
    if (value.isString())
        return parseDecimalInteger(value.toString());
    if (!value.isDouble())
        return std::nullopt;
    // Integers the parser kept exact come back whole, beyond the 2^53 a double holds.
    const QVariant number = value.toVariant();
    if (number.typeId() == QMetaType::LongLong)
        return number.toLongLong();
    // 2^63: the first double past qint64's range on either side once truncated.
    constexpr double limit = 9223372036854775808.0;
    const double whole = std::trunc(value.toDouble());
    if (!std::isfinite(whole) || whole < -limit || whole >= limit)
        return std::nullopt;
    return static_cast<qint64>(whole);
}

} // namespace tolvane
