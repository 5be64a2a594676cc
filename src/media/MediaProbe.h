#pragma once

#include "core/Records.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QThreadPool>

#include <optional>

namespace tolvane {

/// The pool the probes run on, apart from the work pool: as many threads as cores (at least two),
/// so a drop of thousands of files never runs more tool processes at once than that.
QThreadPool &probePool();

/// The summary by `mediainfo` at `toolPath`; none when it fails or says nothing usable.
std::optional<QList<MediaInfoRow>> probeMediaInfo(const QString &toolPath, const QString &filePath);
/// The summary by `ffprobe` at `toolPath`; none when it fails or says nothing usable.
std::optional<QList<MediaInfoRow>> probeFFprobe(const QString &toolPath, const QString &filePath);

/// mediainfo, else ffprobe, else libavformat; never empty, never throws. Blocks while tools run.
QList<MediaInfoRow> probeFile(const QString &filePath);

/// The technical summary of a media file, probed on `probePool()`; the caller resumes with the
/// rows on its own thread. Never fails.
QCoro::Task<QList<MediaInfoRow>> loadProps(QString filePath);

} // namespace tolvane
