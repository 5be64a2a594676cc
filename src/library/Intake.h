#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace tolvane {

/// What one intake collects from the dropped or opened paths, before rows are made.
struct IntakeResult {
    QStringList paths; ///< video files, sorted by name, each once
    std::optional<QString> folderPath; ///< the first folder given, or the parent of the first video file
    int skippedCount = 0; ///< files given directly that are not videos
};

/// Every video file below `folderPath`, by extension alone, sorted by name. Hidden files and
/// folders (names starting with ".") are skipped with their contents; symbolic links to folders
/// are not followed; unreadable folders are passed over.
QStringList scanFolder(const QString &folderPath);

/// Walks the given file URLs in order: folders are scanned, video files kept, other files counted,
/// paths that do not exist ignored.
IntakeResult collectIntake(const QList<QUrl> &urls);

/// The user's locale for ordering names (English rules when the process runs in the C locale).
QLocale collationLocale();

/// Stable sort of paths by their file names, case-insensitive, in the given locale's order.
void sortByFileName(QStringList &paths, const QLocale &locale);

} // namespace tolvane
