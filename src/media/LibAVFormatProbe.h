#pragma once

#include "core/Records.h"
#include "media/ProbedFile.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

namespace tolvane {

/// What libavformat tells about a file, gathered apart from the rows so that the rows can be
/// tested without media files. Unknown values are none or empty.
struct LibAVFacts {
    std::optional<double> durationSeconds;
    bool hasVideo = false;
    /// The first video stream; width and height as displayed (rotation applied).
    qint64 width = 0;
    qint64 height = 0;
    std::optional<double> frameRate;
    std::optional<qint64> videoBitRate;
    QString videoCodec;
    int audioTracks = 0;
    /// The first audio stream.
    std::optional<qint64> audioBitRate;
    QString audioCodec;
    std::optional<int> sampleRate;
    std::optional<int> channels;
};

/// The text of the "Probe" row of this source.
QString libAVProbeText();

/// The rows of the libavformat probe from gathered facts (none when the file could not be opened).
QList<MediaInfoRow> libAVRows(
    const std::optional<LibAVFacts> &facts, const ProbedFile &file, const QLocale &locale = QLocale());

/// Reads the streams of the regular file open as `fd` with libavformat (loaded on first use;
/// `absolutePath` is the file's name, a hint for the demuxers); none when the libraries are
/// missing or the file is no media they know. Blocks the calling thread while it reads.
std::optional<LibAVFacts> readLibAVFacts(int fd, const QByteArray &absolutePath);

} // namespace tolvane
