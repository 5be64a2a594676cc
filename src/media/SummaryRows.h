#pragma once

#include "core/Records.h"
#include "core/Text.h"
#include "media/MediaFormat.h"

#include <QCoreApplication>
#include <QLocale>

#include <optional>

namespace tolvane {

/// No row's value is longer (in user-perceived characters): a tool listing a million tracks must
/// not make a row of millions of characters. A longer value is cut and ends in "…".
inline constexpr qsizetype maximumRowValueLength = 1000;

/// Collects the rows of one summary in order; a value that is missing or unusable adds no row.
class SummaryRows {
public:
    explicit SummaryRows(const QLocale &locale)
        : m_locale(locale)
    {
    }

    void add(const QString &key, const QString &value)
    {
        MediaInfoRow row;
        row.key = key;
        row.value = value.size() > maximumRowValueLength && graphemeCount(value) > maximumRowValueLength
            ? leftGraphemes(value, maximumRowValueLength - 1) + u'\u2026'
            : value;
        m_rows.append(std::move(row));
    }
    void add(const QString &key, const std::optional<QString> &value)
    {
        if (value)
            add(key, *value);
    }

    /// The source's size when it gives a usable one, else the file system's.
    void addFileSize(std::optional<qint64> reported, std::optional<qint64> fileSystem)
    {
        const std::optional<qint64> size = reported && *reported >= 0 ? reported : fileSystem;
        if (size && *size >= 0)
            add(MediaInfo::tr("File size"), formatFileSize(*size, m_locale));
    }
    void addDuration(std::optional<double> seconds)
    {
        if (seconds)
            add(MediaInfo::tr("Duration"), formatDuration(*seconds));
    }
    void addBitRate(const QString &key, std::optional<double> bitsPerSecond)
    {
        if (bitsPerSecond && *bitsPerSecond >= 0)
            add(key, formatBitRate(*bitsPerSecond));
    }
    void addResolution(std::optional<qint64> width, std::optional<qint64> height)
    {
        if (width && height && *width > 0 && *height > 0)
            add(MediaInfo::tr("Resolution"), formatResolution(*width, *height));
    }
    // A rate of 0 says nothing about the file; such streams (still images, cover art) get no row.
    void addFrameRate(std::optional<double> framesPerSecond)
    {
        if (framesPerSecond && *framesPerSecond > 0)
            add(MediaInfo::tr("Frame rate"), formatFrameRate(*framesPerSecond));
    }
    void addSampleRate(std::optional<double> hertz)
    {
        if (hertz && *hertz > 0)
            add(MediaInfo::tr("Sample rate"), formatSampleRate(*hertz));
    }
    void addNoVideo() { add(MediaInfo::tr("Video"), QStringLiteral("\u2014")); }

    QList<MediaInfoRow> take() { return std::move(m_rows); }

private:
    QLocale m_locale;
    QList<MediaInfoRow> m_rows;
};

} // namespace tolvane
