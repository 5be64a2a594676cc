#pragma once

#include "core/Records.h"
#include "media/ProbedFile.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

namespace tolvane {

/// The summary from `mediainfo --Output=JSON FILE`; none unless the output is a JSON object with a
/// "media" object. mediainfo writes every value as a string and durations in seconds.
/// `recognised`, when given, tells whether mediainfo knew the file's format or found any track.
std::optional<QList<MediaInfoRow>> mediaInfoRows(
    const QByteArray &json, const ProbedFile &file, const QLocale &locale = QLocale(), bool *recognised = nullptr);

/// The summary from `ffprobe -v quiet -print_format json -show_format -show_streams
/// -protocol_whitelist file FILE`; none unless the output is a JSON object.
std::optional<QList<MediaInfoRow>> ffprobeRows(
    const QByteArray &json, const ProbedFile &file, const QLocale &locale = QLocale());

} // namespace tolvane
