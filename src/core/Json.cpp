#include "core/Json.h"

#include <QJsonDocument>
#include <QVariant>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Output is written straight into spare room at the end of the byte array, which grows
// geometrically: appending a byte or a short piece at a time dominated listings of thousands of rows.

// The most bytes one UTF-16 unit or one byte of UTF-8 takes once written (an escape \uXXXX).
constexpr qsizetype widest = 6;
// Long text is written a stretch at a time, so the room asked for stays small.
constexpr qsizetype stretch = 4096;

char *writeHexEscape(char *at, char16_t unit)
{
    static const char digits[] = "0123456789abcdef";
    *at++ = '\\';
    *at++ = 'u';
    *at++ = digits[(unit >> 12) & 0xf];
    *at++ = digits[(unit >> 8) & 0xf];
    *at++ = digits[(unit >> 4) & 0xf];
    *at++ = digits[unit & 0xf];
    return at;
}

/// One ASCII character of a string literal, escaped where JSON needs it.
char *writeAscii(char *at, char16_t c)
{
    char escaped = 0;
    switch (c) {
    case u'"':
        escaped = '"';
        break;
    case u'\\':
        escaped = '\\';
        break;
    case u'\n':
        escaped = 'n';
        break;
    case u'\t':
        escaped = 't';
        break;
    case u'\r':
        escaped = 'r';
        break;
    default:
        if (c < 0x20)
            return writeHexEscape(at, c);
        *at++ = char(c);
        return at;
    }
    *at++ = '\\';
    *at++ = escaped;
    return at;
}

/// Whether an ASCII character stands for itself in a string literal.
bool isPlain(char16_t c)
{
    return c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\';
}

#ifdef __SSE2__
// Eight units at once when all stand for themselves, as nearly all of a file name's do.
bool writePlain8(char *at, const char16_t *units)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units));
    const __m128i offset = _mm_sub_epi16(v, _mm_set1_epi16(0x20)); // 0x20..0x7f become 0..0x5f
    const __m128i printable
        = _mm_and_si128(_mm_cmpgt_epi16(offset, _mm_set1_epi16(-1)), _mm_cmplt_epi16(offset, _mm_set1_epi16(0x60)));
    const __m128i escaped
        = _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16('"')), _mm_cmpeq_epi16(v, _mm_set1_epi16('\\')));
    if (_mm_movemask_epi8(_mm_andnot_si128(escaped, printable)) != 0xffff)
        return false;
    _mm_storel_epi64(reinterpret_cast<__m128i *>(at), _mm_packus_epi16(v, v));
    return true;
}

// Sixteen bytes at once when none needs an escape (bytes from 0x80 up are copied as they are).
bool writePlain16(char *at, const char *bytes)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes));
    const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(v, _mm_set1_epi8(0x1f)), _mm_set1_epi8(0x1f));
    const __m128i escaped = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\\')));
    if (_mm_movemask_epi8(_mm_or_si128(control, escaped)) != 0)
        return false;
    _mm_storeu_si128(reinterpret_cast<__m128i *>(at), v);
    return true;
}
#endif

/// Writes the units [i, end) of `text` at `out`, a surrogate pair whose first half is at
/// `end - 1` whole; returns the index after the last unit written.
qsizetype writeUtf16(char *&out, QStringView text, qsizetype i, qsizetype end)
{
    char *at = out; // a local: the compiler need not reload it after every byte written
    const qsizetype size = text.size();
    for (; i < end; ++i) {
#ifdef __SSE2__
        if (end - i >= 8 && writePlain8(at, text.utf16() + i)) {
            at += 8;
            i += 7;
            continue;
        }
#endif
        const char16_t c = text[i].unicode();
        if (isPlain(c)) {
            *at++ = char(c);
        } else if (c < 0x80) {
            at = writeAscii(at, c);
        } else if (c < 0x800) {
            *at++ = char(0xc0 | (c >> 6));
            *at++ = char(0x80 | (c & 0x3f));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            // Four bytes for two units: within the room of the first.
            const char32_t point = QChar::surrogateToUcs4(c, text[++i].unicode());
            *at++ = char(0xf0 | (point >> 18));
            *at++ = char(0x80 | ((point >> 12) & 0x3f));
            *at++ = char(0x80 | ((point >> 6) & 0x3f));
            *at++ = char(0x80 | (point & 0x3f));
        } else if (QChar::isSurrogate(c)) {
            // A lone half has no UTF-8 form; the escape keeps the text valid JSON.
            at = writeHexEscape(at, c);
        } else {
            *at++ = char(0xe0 | (c >> 12));
            *at++ = char(0x80 | ((c >> 6) & 0x3f));
            *at++ = char(0x80 | (c & 0x3f));
        }
    }
    out = at;
    return i;
}

qsizetype writeUtf8(char *&out, QByteArrayView text, qsizetype i, qsizetype end)
{
    char *at = out;
    for (; i < end; ++i) {
#ifdef __SSE2__
        if (end - i >= 16 && writePlain16(at, text.data() + i)) {
            at += 16;
            i += 15;
            continue;
        }
#endif
        const uchar c = uchar(text[i]);
        if (c < 0x80 && !isPlain(c))
            at = writeAscii(at, c);
        else
            *at++ = char(c);
    }
    out = at;
    return i;
}

/// Writes a string literal a stretch at a time: `room(count)` gives room for `count` bytes,
/// `wrote(end)` takes what was written up to `end`.
template<typename Text, typename Room, typename Wrote>
void writeLiteral(Text text, qsizetype (*write)(char *&, Text, qsizetype, qsizetype), Room room, Wrote wrote)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    char *at = room(2 + widest * qMin(size, stretch));
    *at++ = '"';
    while (true) {
        i = write(at, text, i, qMin(size, i + stretch));
        if (i >= size)
            break;
        wrote(at);
        at = room(1 + widest * qMin(size - i, stretch));
    }
    *at++ = '"';
    wrote(at);
}

template<typename Text>
void appendLiteral(QByteArray &out, Text text, qsizetype (*write)(char *&, Text, qsizetype, qsizetype))
{
    const auto room = [&out](qsizetype count) {
        const qsizetype size = out.size();
        out.resize(size + count);
        return out.data() + size;
    };
    writeLiteral(text, write, room, [&out](const char *end) { out.resize(end - out.constData()); });
}

} // namespace

void appendJsonUtf8(QByteArray &out, QByteArrayView utf8)
{
    appendLiteral(out, utf8, writeUtf8);
}

void appendJsonString(QByteArray &out, QStringView text)
{
    appendLiteral(out, text, writeUtf16);
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

char *JsonWriter::room(qsizetype count)
{
    if (m_out.size() - m_size < count)
        m_out.resize(qMax(2 * m_out.size(), m_size + count));
    return m_out.data() + m_size;
}

void JsonWriter::wrote(const char *end)
{
    m_size = end - m_out.constData();
}

void JsonWriter::write(QByteArrayView text)
{
    char *at = room(text.size());
    std::memcpy(at, text.data(), size_t(text.size()));
    wrote(at + text.size());
}

template<typename Text> void JsonWriter::literal(Text text)
{
    const auto room = [this](qsizetype count) { return this->room(count); };
    const auto wrote = [this](const char *end) { this->wrote(end); };
    if constexpr (std::is_same_v<Text, QStringView>)
        writeLiteral(text, writeUtf16, room, wrote);
    else
        writeLiteral(text, writeUtf8, room, wrote);
}

void JsonWriter::reserve(qsizetype bytes)
{
    room(bytes - m_size);
}

void JsonWriter::beginValue()
{
    m_begun = true;
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_counts.isEmpty())
        return;
    const qsizetype indent = 2 * m_counts.size();
    char *at = room(2 + indent);
    if (m_counts.last()++ > 0)
        *at++ = ',';
    *at++ = '\n';
    wrote(std::fill_n(at, indent, ' '));
}

void JsonWriter::open(char bracket)
{
    beginValue();
    *room(1) = bracket;
    ++m_size;
    m_counts.append(0);
}

void JsonWriter::close(char bracket)
{
    const int count = m_counts.takeLast();
    const qsizetype indent = count > 0 ? 2 * m_counts.size() : 0;
    char *at = room(2 + indent);
    if (count > 0) {
        *at++ = '\n';
        at = std::fill_n(at, indent, ' ');
    }
    *at++ = bracket;
    wrote(at);
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
    m_afterKey = true;
    // Member names are short words that need no escape: copied in one piece, a listing writes
    // five of them per row.
    constexpr qsizetype shortName = 32;
    if (name.size() <= shortName && std::all_of(name.begin(), name.end(), [](QChar c) { return isPlain(c.unicode()); })) {
        char *at = room(name.size() + 4);
        *at++ = '"';
        for (const QChar c : name)
            *at++ = char(c.unicode());
        std::memcpy(at, "\": ", 3);
        wrote(at + 3);
        return;
    }
    literal(name);
    write(": ");
}

void JsonWriter::value(QStringView text)
{
    beginValue();
    literal(text);
}

void JsonWriter::value(const std::optional<QString> &text)
{
    if (text)
        value(QStringView(*text));
    else
        null();
}

void JsonWriter::valueUtf8(QByteArrayView utf8)
{
    beginValue();
    literal(utf8);
}

void JsonWriter::value(std::optional<qint64> number)
{
    if (!number) {
        null();
        return;
    }
    beginValue();
    char *at = room(20); // the longest qint64: "-9223372036854775808"
    wrote(std::to_chars(at, at + 20, *number).ptr);
}

void JsonWriter::value(bool flag)
{
    beginValue();
    write(flag ? "true" : "false");
}

void JsonWriter::null()
{
    beginValue();
    write("null");
}

QByteArray JsonWriter::take()
{
    m_out.resize(m_size);
    if (m_counts.isEmpty() && m_begun)
        m_out.append('\n');
    m_counts.clear();
    m_afterKey = false;
    m_begun = false;
    m_size = 0;
    return std::exchange(m_out, {});
}

} // namespace tolvane
