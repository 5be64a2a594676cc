#pragma once

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace tolvane {

/// What one intake collects from the dropped or opened paths, before rows are made. Paths are
/// exact bytes (names need not be valid UTF-8).
struct IntakeResult {
    QList<QByteArray> paths; ///< video files in the order collected, each file once
    std::optional<QByteArray> folderPath; ///< the first folder given, or the parent of the first video file
    int skippedCount = 0; ///< files given directly that are not videos
};

/// Walks the given file URLs in order: folders are scanned recursively, video files kept (by
/// extension), other files counted, paths that do not exist ignored. Only regular files and links
/// to them are taken (a pipe or socket named x.mkv would block whoever opens it). Hidden files and
/// folders (names starting with ".") inside a folder are skipped with their contents; symbolic
/// links to folders are not followed; unreadable folders are passed over. A file reached twice
/// (a folder given directly and through a link to it) is kept once, as first reached.
IntakeResult collectIntake(const QList<QUrl> &urls);

/// The user's locale for ordering names (English rules when the process runs in the C locale).
QLocale collationLocale();

/// Indices into `names` in the locale's case-insensitive order; equal names keep their order.
QList<qsizetype> nameOrder(const QStringList &names, const QLocale &locale);

/// A path with "." and empty components dropped and ".." resolved by name, as QDir::cleanPath
/// does, on bytes.
QByteArray cleanNativePath(const QByteArray &path);

} // namespace tolvane
