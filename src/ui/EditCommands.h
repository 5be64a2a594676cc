#pragma once

#include "library/LibraryModel.h"
#include "library/MovieItem.h"

#include <QUndoCommand>

#include <functional>

class QUndoStack;

namespace tolvane {

/// What an undo puts back of a row: the user's choices, and the lookup's outcome they were made on.
struct RowState {
    RowChoices choices;
    LookupStatus status;
    std::optional<QString> proposedName;
    QString proposedFolder;
    bool isRenamed = false;

    bool operator==(const RowState &) const = default;

    static RowState of(const MovieItem &item);
    void restoreTo(MovieItem &item) const;
};

/// Edits that typed keystrokes make: consecutive ones in one field of one row are one command.
enum class TypedField { none = -1, extraTokens = 1, namePostfix = 2 };

/// Runs `edit` on `item` and records it in `history` as one command named `text`, which puts the
/// row back as it was before and after the edit. It does nothing once the row has left the list.
void editRow(QUndoStack &history, LibraryModel &model, const MovieItemPtr &item, const QString &text,
    const std::function<void(MovieItem &)> &edit, TypedField field = TypedField::none);

/// Removes the rows with `ids` from the list as one command; an undo puts them back in place.
void removeRows(QUndoStack &history, LibraryModel &model, const QSet<QUuid> &ids);

/// Runs `rename` (renameSelected or renameAllReady) and records what it renamed as one command:
/// undone by the journalled undo, which never replaces a file, and redone by renaming the rows
/// again where they still can be.
void renameRows(QUndoStack &history, LibraryModel &model, const std::function<void()> &rename);

/// Records an intake that replaced `previous` as one command, whose undo brings that list back.
void recordIntake(QUndoStack &history, LibraryModel &model, QList<MovieItemPtr> previous,
    std::optional<QUrl> previousFolder);

} // namespace tolvane
