#pragma once

#include "library/MovieItem.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

namespace tolvane {

/// One file that moves with its video: subtitles, an .nfo, a poster.
struct CompanionMove {
    QByteArray from; ///< exact path bytes
    QByteArray to; ///< the video's target folder, its new base name followed by `suffix`
    QByteArray suffix; ///< what follows the video's base name, e.g. ".en.srt"

    friend bool operator==(const CompanionMove &, const CompanionMove &) = default;
};

/// A file name without its last extension, on the bytes (a leading dot starts a hidden name).
QByteArray baseNameOf(QByteArrayView fileName);

/// Whether `rest`, what follows a video's base name, makes a file belong to that video: language
/// tags (ISO 639-1/-2, with an optional region such as pt-BR) and flags (forced, sdh, cc, hi,
/// default), dot-separated, then a subtitle or .nfo extension; or an image extension alone.
/// Tags, flags and extensions ignore letter case.
bool isCompanionSuffix(QByteArrayView rest);

/// Which names of one folder belong to which of `videos` (file names in that folder, the ones
/// being renamed). Every video file of the folder competes for a name, renamed or not, and the
/// longest base name that makes a companion of it wins. Pure; names are compared as bytes.
QHash<QByteArray, QList<QByteArray>> matchCompanions(
    const QList<QByteArray> &folderNames, const QList<QByteArray> &videos);

/// The names in a folder (no "." or ".."; folders left out where the type is known). Reads the
/// disk; an unreadable folder gives none.
QList<QByteArray> folderEntries(const QByteArray &folder);

/// The companion moves of every row that canRename(), each folder read once. Reads the disk.
QHash<const MovieItem *, QList<CompanionMove>> planCompanions(const QList<MovieItemPtr> &items);

/// The files that would move with `item` were it renamed to its proposed name now; none when it
/// cannot be renamed or companions are switched off (AppSettings::moveCompanionFiles). Reads the
/// row's folder (one directory listing): cheap enough for a row selection, not for a loop.
QList<CompanionMove> companionMovesFor(const MovieItem &item);

/// "+ 2 files: .en.srt, .nfo"; empty for no moves.
QString companionSummaryText(const QList<CompanionMove> &moves);

} // namespace tolvane
