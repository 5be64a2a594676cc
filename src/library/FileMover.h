#pragma once

#include <QByteArray>
#include <QString>

namespace tolvane {

/// Outcome of moving one file to a new name in its folder.
struct MoveResult {
    enum class Kind { moved, targetExists, failed };
    Kind kind = Kind::failed;
    QString message; ///< for `failed`: what went wrong, ready to show
};

/// Moves `sourcePath` to `targetPath` without ever replacing an existing file, even one that
/// appears at the last moment: the kernel refuses the move atomically when the target exists.
MoveResult moveWithoutReplacing(const QByteArray &sourcePath, const QByteArray &targetPath);

/// The same guarantee for file systems that refuse RENAME_NOREPLACE: a hard link is made only
/// when the new name is free, then the old name is removed.
MoveResult moveByLinking(const QByteArray &sourcePath, const QByteArray &targetPath);

/// The system's text for an errno value, ready to show.
QString systemErrorText(int error);

} // namespace tolvane
