#include "ui/EditCommands.h"

#include <QCoreApplication>
#include <QUndoStack>

namespace tolvane {

namespace {

bool listed(const LibraryModel &model, const MovieItem *item)
{
    return item && std::any_of(model.items().cbegin(), model.items().cend(),
                       [item](const MovieItemPtr &row) { return row.get() == item; });
}

/// The edit's name as the Undo and Redo actions show it: one file by its name, more by their count.
QString filesText(const char *one, const char *many, const QList<MovieItemPtr> &rows)
{
    if (rows.size() == 1)
        return QCoreApplication::translate("EditCommands", one).arg(rows.first()->originalName());
    return QCoreApplication::translate("EditCommands", many, nullptr, int(rows.size()));
}

/// Set while a command puts a list back: that is no intake of the user's to record.
bool replacingList = false;

/// One edit of one row. Its first redo is the edit itself, already made when it is pushed.
class RowEditCommand : public QUndoCommand {
public:
    RowEditCommand(LibraryModel &model, const MovieItemPtr &item, RowState before, RowState after, const QString &text,
        TypedField field)
        : QUndoCommand(text)
        , m_model(model)
        , m_item(item)
        , m_before(std::move(before))
        , m_after(std::move(after))
        , m_field(field)
    {
    }

    void undo() override { apply(m_before); }
    void redo() override
    {
        if (!std::exchange(m_pushed, false))
            apply(m_after);
    }
    int id() const override { return int(m_field); }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const RowEditCommand *>(other);
        if (next->m_item.lock() != m_item.lock())
            return false;
        m_after = next->m_after;
        // Typing that ends where it began is no edit at all.
        setObsolete(m_after == m_before);
        return true;
    }

private:
    void apply(const RowState &state)
    {
        // A row that left the list (removed, renamed, replaced by an intake) is not brought back.
        const MovieItemPtr item = m_item.lock();
        if (!listed(m_model, item.get()))
            return;
        state.restoreTo(*item);
        m_model.updateSummaryStatus();
    }

    LibraryModel &m_model;
    std::weak_ptr<MovieItem> m_item; // not kept alive for the history's sake
    RowState m_before;
    RowState m_after;
    TypedField m_field;
    bool m_pushed = true;
};

class RemoveRowsCommand : public QUndoCommand {
public:
    RemoveRowsCommand(LibraryModel &model, QList<RemovedRow> rows)
        : m_model(model)
        , m_rows(std::move(rows))
    {
        QList<MovieItemPtr> items;
        for (const RemovedRow &row : std::as_const(m_rows)) {
            items.append(row.item);
            m_ids.insert(row.item->id());
        }
        setText(filesText(QT_TRANSLATE_NOOP("EditCommands", "Remove “%1”"),
            QT_TRANSLATE_N_NOOP("EditCommands", "Remove %n Files"), items));
    }

    void undo() override
    {
        m_model.insertItems(m_rows);
        m_model.setSelectedIDs(m_ids);
    }
    void redo() override
    {
        if (!std::exchange(m_pushed, false))
            m_rows = m_model.removeItems(m_ids);
    }

private:
    LibraryModel &m_model;
    QList<RemovedRow> m_rows;
    QSet<QUuid> m_ids;
    bool m_pushed = true;
};

class RenameCommand : public QUndoCommand {
public:
    RenameCommand(LibraryModel &model, QSet<QByteArray> paths, const QString &text)
        : QUndoCommand(text)
        , m_model(model)
        , m_paths(std::move(paths))
    {
    }

    void undo() override
    {
        // Only a batch this command made is the model's newest: anything else is not ours to undo.
        if (std::exchange(m_renamed, false))
            m_model.undoLastRename();
    }
    void redo() override
    {
        if (std::exchange(m_pushed, false)) {
            m_renamed = true;
            return;
        }
        QList<MovieItemPtr> rows;
        for (const MovieItemPtr &item : m_model.items()) {
            if (m_paths.contains(item->nativePath()) && item->canRename())
                rows.append(item);
        }
        if (rows.isEmpty())
            return;
        m_model.beginRenameBatch(rows);
        for (const MovieItemPtr &row : std::as_const(rows))
            m_renamed = !m_model.rename(row) || m_renamed;
        m_model.endRenameBatch();
    }

private:
    LibraryModel &m_model;
    QSet<QByteArray> m_paths; // the files' names before the rename, which an undo gives back
    bool m_renamed = false;
    bool m_pushed = true;
};

class IntakeCommand : public QUndoCommand {
public:
    IntakeCommand(LibraryModel &model, QList<MovieItemPtr> previous, std::optional<QUrl> previousFolder)
        : m_model(model)
        , m_other(std::move(previous))
        , m_otherFolder(std::move(previousFolder))
    {
        //: The name of an edit: files or folders opened in place of the list
        setText(m_model.items().isEmpty() ? QCoreApplication::translate("EditCommands", "Open")
                                          : filesText(QT_TRANSLATE_NOOP("EditCommands", "Open “%1”"),
                                              QT_TRANSLATE_N_NOOP("EditCommands", "Open %n Files"), m_model.items()));
    }

    void undo() override { swap(); }
    void redo() override
    {
        if (!std::exchange(m_pushed, false))
            swap();
    }

private:
    /// Shows the list not shown, and keeps the one shown.
    void swap()
    {
        const std::optional<QUrl> folder = m_model.folderURL();
        replacingList = true;
        m_other = m_model.replaceItems(std::move(m_other), std::move(m_otherFolder));
        replacingList = false;
        m_otherFolder = folder;
    }

    LibraryModel &m_model;
    QList<MovieItemPtr> m_other;
    std::optional<QUrl> m_otherFolder;
    bool m_pushed = true;
};

} // namespace

RowState RowState::of(const MovieItem &item)
{
    return {item.choices(), item.status(), item.proposedName(), item.proposedFolder(), item.isRenamed()};
}

void RowState::restoreTo(MovieItem &item) const
{
    // The choices rebuild the name and its folder together, in the layout the row has now (the
    // settings may have changed it since): setting the name kept would leave the folder behind.
    item.restoreChoices(choices);
    item.setStatus(status);
    if (!proposedName)
        item.setProposedName(std::nullopt);
    item.setIsRenamed(isRenamed);
}

void editRow(QUndoStack &history, LibraryModel &model, const MovieItemPtr &item, const QString &text,
    const std::function<void(MovieItem &)> &edit, TypedField field)
{
    if (!item)
        return;
    RowState before = RowState::of(*item);
    edit(*item);
    RowState after = RowState::of(*item);
    if (after == before)
        return;
    model.updateSummaryStatus();
    history.push(new RowEditCommand(model, item, std::move(before), std::move(after), text, field));
}

void removeRows(QUndoStack &history, LibraryModel &model, const QSet<QUuid> &ids)
{
    QList<RemovedRow> rows = model.removeItems(ids);
    if (!rows.isEmpty())
        history.push(new RemoveRowsCommand(model, std::move(rows)));
}

void renameRows(QUndoStack &history, LibraryModel &model, const std::function<void()> &rename)
{
    QHash<QUuid, QByteArray> renamable;
    for (const MovieItemPtr &item : model.items()) {
        if (item->canRename())
            renamable.insert(item->id(), item->nativePath());
    }
    rename();
    // A renamed row is replaced by a fresh one: the ids gone are the rows renamed.
    for (const MovieItemPtr &item : model.items())
        renamable.remove(item->id());
    if (renamable.isEmpty())
        return;
    const QSet<QByteArray> paths(renamable.cbegin(), renamable.cend());
    history.push(new RenameCommand(model, paths,
        paths.size() == 1 ? QCoreApplication::translate("EditCommands", "Rename")
                          : QCoreApplication::translate("EditCommands", "Rename %n Files", nullptr, int(paths.size()))));
}

void recordIntake(QUndoStack &history, LibraryModel &model, QList<MovieItemPtr> previous,
    std::optional<QUrl> previousFolder)
{
    // A list opened where there was none replaced nothing to take back.
    if (!replacingList && !previous.isEmpty())
        history.push(new IntakeCommand(model, std::move(previous), std::move(previousFolder)));
}

} // namespace tolvane
