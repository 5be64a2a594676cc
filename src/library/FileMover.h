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

/// What tells the file at `path` (the link itself, for a link) apart from another put at its
/// name later: its type ('f' a regular file, 'l' a link, 'd' a folder, 'o' anything else),
/// device, inode, size and modification time, as one text. Empty when nothing is there.
QByteArray fileIdentity(const QByteArray &path);

/// The system's text for an errno value, ready to show.
QString systemErrorText(int error);

} // namespace tolvane
