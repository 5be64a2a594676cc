#pragma once

#include "core/Records.h"

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QString>
#include <QThreadPool>

#include <optional>

namespace tolvane {

/// The pool the probes run on, apart from the work pool: as many threads as cores (at least two),
/// so a drop of thousands of files never runs more tool processes at once than that.
QThreadPool &probePool();

/// A probe's rows and, when the file could not be probed at all (missing, a folder, not a regular
/// file, no media any source knows), why; the rows are then the minimal summary.
struct ProbeReport {
    QList<MediaInfoRow> rows;
    std::optional<QString> error;
};

/// mediainfo, else ffprobe, else libavformat, for the file with these exact path bytes (relative to
/// the working directory unless absolute). Anything but a regular file (or a link to one) is refused
/// at once, before any open. Never throws; blocks while tools run.
ProbeReport probeFile(const QByteArray &nativePath);

/// The technical summary of a media file, probed on `probePool()`; the caller resumes with the
/// rows on its own thread. Never fails: a file that cannot be probed gets the minimal summary.
QCoro::Task<QList<MediaInfoRow>> loadProps(QByteArray nativePath);

/// As loadProps, with the reason when the file could not be probed.
QCoro::Task<ProbeReport> probeReport(QByteArray nativePath);

} // namespace tolvane
