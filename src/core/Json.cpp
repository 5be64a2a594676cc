#include "core/Json.h"

#include <QJsonDocument>
#include <QVariant>

#include <charconv>
#include <cmath>
#include <utility>

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

namespace {

void appendHexEscape(QByteArray &out, char16_t unit)
{
    static const char digits[] = "0123456789abcdef";
    const char escape[] = {'\\', 'u', digits[(unit >> 12) & 0xf], digits[(unit >> 8) & 0xf], digits[(unit >> 4) & 0xf],
        digits[unit & 0xf]};
    out.append(escape, sizeof escape);
}

/// One ASCII character of a string literal, escaped where JSON needs it.
void appendAscii(QByteArray &out, char c)
{
    switch (c) {
    case '"':
        out.append("\\\"", 2);
        break;
    case '\\':
        out.append("\\\\", 2);
        break;
    case '\n':
        out.append("\\n", 2);
        break;
    case '\t':
        out.append("\\t", 2);
        break;
    case '\r':
        out.append("\\r", 2);
        break;
    default:
        if (uchar(c) < 0x20)
            appendHexEscape(out, char16_t(c));
        else
            out.append(c);
    }
}

} // namespace

void appendJsonUtf8(QByteArray &out, QByteArrayView utf8)
{
    out.append('"');
    for (const char c : utf8) {
        if (uchar(c) < 0x80)
            appendAscii(out, c);
        else
            out.append(c);
    }
    out.append('"');
}

void appendJsonString(QByteArray &out, QStringView text)
{
    out.append('"');
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            appendAscii(out, char(c));
        } else if (c < 0x800) {
            out.append(char(0xc0 | (c >> 6)));
            out.append(char(0x80 | (c & 0x3f)));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t point = QChar::surrogateToUcs4(c, text[++i].unicode());
            const char bytes[] = {char(0xf0 | (point >> 18)), char(0x80 | ((point >> 12) & 0x3f)),
                char(0x80 | ((point >> 6) & 0x3f)), char(0x80 | (point & 0x3f))};
            out.append(bytes, sizeof bytes);
        } else if (QChar::isSurrogate(c)) {
            // A lone half has no UTF-8 form; the escape keeps the text valid JSON.
            appendHexEscape(out, c);
        } else {
            const char bytes[] = {char(0xe0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3f)), char(0x80 | (c & 0x3f))};
            out.append(bytes, sizeof bytes);
        }
    }
    out.append('"');
}

QString jsonString(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    appendJsonString(out, text);
    return QString::fromUtf8(out);
}

QString jsonString(const std::optional<QString> &text)
{
    return text ? jsonString(*text) : QStringLiteral("null");
}

QString jsonNumber(std::optional<int> number)
{
    return number ? QString::number(*number) : QStringLiteral("null");
}

void JsonWriter::beginValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_counts.isEmpty())
        return;
    if (m_counts.last()++ > 0)
        m_out.append(',');
    m_out.append('\n');
    m_out.append(2 * m_counts.size(), ' ');
}

void JsonWriter::open(char bracket)
{
    beginValue();
    m_out.append(bracket);
    m_counts.append(0);
}

void JsonWriter::close(char bracket)
{
    const int count = m_counts.takeLast();
    if (count > 0) {
        m_out.append('\n');
        m_out.append(2 * m_counts.size(), ' ');
    }
    m_out.append(bracket);
}

void JsonWriter::beginObject()
{
    open('{');
}

void JsonWriter::endObject()
{
    close('}');
}

void JsonWriter::beginArray()
{
    open('[');
}

void JsonWriter::endArray()
{
    close(']');
}

void JsonWriter::key(QStringView name)
{
    beginValue();
    appendJsonString(m_out, name);
    m_out.append(": ", 2);
    m_afterKey = true;
}

void JsonWriter::value(QStringView text)
{
    beginValue();
    appendJsonString(m_out, text);
}

void JsonWriter::value(const std::optional<QString> &text)
{
    if (text)
        value(QStringView(*text));
    else
        null();
}

void JsonWriter::value(std::optional<qint64> number)
{
    if (!number) {
        null();
        return;
    }
    beginValue();
    m_out.append(QByteArray::number(*number));
}

void JsonWriter::value(bool flag)
{
    beginValue();
    m_out.append(flag ? QByteArrayView("true") : QByteArrayView("false"));
}

void JsonWriter::null()
{
    beginValue();
    m_out.append("null", 4);
}

QByteArray JsonWriter::take()
{
    if (m_counts.isEmpty() && !m_out.isEmpty())
        m_out.append('\n');
    m_counts.clear();
    m_afterKey = false;
    return std::exchange(m_out, {});
}

} // namespace tolvane
