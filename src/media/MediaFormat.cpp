#include "media/MediaFormat.h"

#include <QJsonValue>

#include <charconv>
#include <cmath>

namespace tolvane {

QString formatFileSize(qint64 bytes, const QLocale &locale)
{
    // formattedDataSize rounds within one unit, so 999 999 bytes would read "1000.00 kB"; a size
    // that rounds up to a thousand units is shown as one of the next unit instead.
    qint64 shown = bytes;
    qint64 unit = 1;
    while (unit <= bytes / 1000)
        unit *= 1000;
    if (unit > 1 && std::llround(double(bytes) * 100.0 / double(unit)) >= 100'000)
        shown = unit * 1000;
    return locale.formattedDataSize(shown, 2, QLocale::DataSizeSIFormat);
}

std::optional<QString> formatDuration(double seconds)
{
    // Beyond 2^53 whole seconds cannot be told apart; no media file comes near.
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 9e15)
        return std::nullopt;
    const qint64 total = std::llround(seconds);
    if (total < 3600)
        return QString::asprintf("%lld:%02lld", total / 60, total % 60);
    return QString::asprintf("%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
}

QString formatBitRate(double bitsPerSecond)
{
    const float rate = float(bitsPerSecond);
    if (rate >= 1'000'000.0f)
        return MediaInfo::tr("%1 Mbps").arg(QString::asprintf("%.2f", double(rate / 1'000'000.0f)));
    return MediaInfo::tr("%1 kbps").arg(QString::asprintf("%.0f", double(rate / 1000.0f)));
}

// QString::asprintf formats numbers in the C locale whatever the process locale is, so a decimal
// comma never slips in.
QString formatFrameRate(double framesPerSecond)
{
    return MediaInfo::tr("%1 fps").arg(QString::asprintf("%.3g", framesPerSecond));
}

QString formatSampleRate(double hertz)
{
    return MediaInfo::tr("%1 Hz").arg(QString::asprintf("%.0f", hertz));
}

QString formatResolution(qint64 width, qint64 height)
{
    return QString::number(width) + QChar(0x00D7) + QString::number(height);
}

namespace {

// The digits of a number as Latin-1 bytes with at most one leading "+" removed; anything that is not
// Latin-1 becomes a character no number contains. None when the sign is doubled ("+-1").
std::optional<QByteArray> numberBytes(QStringView text)
{
    if (text.startsWith(u'+')) {
        text = text.mid(1);
        if (text.startsWith(u'-') || text.startsWith(u'+'))
            return std::nullopt;
    }
    if (text.isEmpty())
        return std::nullopt;
    return text.toLatin1();
}

} // namespace

std::optional<double> parseNumber(QStringView text)
{
    const std::optional<QByteArray> bytes = numberBytes(text);
    if (!bytes)
        return std::nullopt;
    const char *const end = bytes->constData() + bytes->size();
    double value = 0;
    const auto [stop, error] = std::from_chars(bytes->constData(), end, value, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> readNumber(const QJsonValue &value)
{
    if (value.isDouble())
        return value.toDouble();
    if (value.isString())
        return parseNumber(value.toString());
    return std::nullopt;
}

std::optional<QString> readString(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    return std::nullopt;
}

std::optional<double> readRatio(QStringView text)
{
    if (text.isEmpty() || text == u"0/0")
        return std::nullopt;
    const QList<QStringView> pieces = text.split(u'/', Qt::SkipEmptyParts);
    if (pieces.size() == 2) {
        const std::optional<double> numerator = parseNumber(pieces[0]);
        const std::optional<double> denominator = parseNumber(pieces[1]);
        if (numerator && denominator && *denominator != 0) {
            const double ratio = *numerator / *denominator;
            if (std::isfinite(ratio))
                return ratio;
        }
    }
    return parseNumber(text);
}

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x00A0);
}

QString hexCode(quint32 code)
{
    return QString::asprintf("0x%08X", code);
}

} // namespace

QString fourCharCode(quint32 code)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += QChar(char16_t((code >> shift) & 0xFF));
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    if (first == last)
        return hexCode(code);
    return text.mid(first, last - first);
}

QString codecTagText(quint32 avCodecTag, const QString &codecName)
{
    bool printable = avCodecTag != 0;
    quint32 code = 0;
    for (int index = 0; index < 4; ++index) {
        const quint32 byte = (avCodecTag >> (8 * index)) & 0xFF;
        printable = printable && byte >= 0x20 && byte < 0x7F;
        code = code << 8 | byte;
    }
    // Four spaces are printable but would trim to nothing.
    if (printable && code != 0x20202020)
        return fourCharCode(code);
    if (!codecName.isEmpty() && codecName != QLatin1String("none") && codecName != QLatin1String("unknown_codec"))
        return codecName;
    return hexCode(avCodecTag);
}

} // namespace tolvane
