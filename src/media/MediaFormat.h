#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

class QJsonValue;

namespace tolvane {

/// The translation context of a summary's labels and unit words: MediaInfo::tr("File size").
struct MediaInfo {
    Q_DECLARE_TR_FUNCTIONS(MediaInfo)
};

/// Display texts of a media summary and the readers of the tools' JSON values. Pure functions;
/// every number is written locale-free except the file size, which takes the user's locale.

/// Powers of 1000 with two decimals, e.g. "1.23 GB".
QString formatFileSize(qint64 bytes, const QLocale &locale = QLocale());
/// Whole seconds as "m:ss" below an hour, else "h:mm:ss"; none when negative or not finite.
std::optional<QString> formatDuration(double seconds);
/// "%.2f Mbps" from 1 000 000 b/s on, else "%.0f kbps"; computed in single precision.
QString formatBitRate(double bitsPerSecond);
/// Three significant digits: 23.976 → "24 fps", 59.94 → "59.9 fps".
QString formatFrameRate(double framesPerSecond);
QString formatSampleRate(double hertz);
QString formatResolution(qint64 width, qint64 height);

/// The whole text as a floating-point number (optional leading sign); none for anything else,
/// including infinities and NaN.
std::optional<double> parseNumber(QStringView text);

/// A JSON number, or a string holding one; the tools write numbers both ways.
std::optional<double> readNumber(const QJsonValue &value);
/// The value when it is a JSON string, else none.
std::optional<QString> readString(const QJsonValue &value);

/// A frame rate written as "num/den" or as one number; "0/0", a zero denominator and empty text
/// give none.
std::optional<double> readRatio(QStringView text);

/// A 32-bit code as four Latin-1 characters, most significant byte first, trimmed of spaces and
/// tabs; "0x%08X" when nothing is left.
QString fourCharCode(quint32 code);

/// A libavcodec codec tag (first character in the lowest byte) as four characters. Matroska and
/// others store no tag (0), and some tags hold unprintable bytes; then the codec's name is shown,
/// or the tag in hexadecimal when the name is unknown too.
QString codecTagText(quint32 avCodecTag, const QString &codecName);

} // namespace tolvane
