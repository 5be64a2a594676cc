#pragma once

#include <QHashFunctions>
#include <QObject>
#include <QSet>

#include <array>

class QAction;
class QUndoStack;
class QWidget;

namespace tolvane {

class DesktopServices;
class LibraryModel;

/// The window's commands. Each exists once, as one QAction that the menus, the header, the detail
/// panel's action bar and the context menu all place, so its text, shortcut and enabling agree
/// everywhere.
enum class Command {
    openFiles,
    openFolder,
    quit,
    undo,
    redo,
    lookupSelected,
    check,
    reveal,
    openFile,
    remove,
    rename,
    renameAllReady,
    settings,
    about,
};
inline constexpr int commandCount = int(Command::about) + 1;
inline size_t qHash(Command command, size_t seed = 0) noexcept
{
    return ::qHash(int(command), seed);
}

/// What the commands' enabling depends on, read from the model and the undo history.
struct CommandState {
    bool canLookup = false; ///< some row is not searching
    qsizetype selectedIDs = 0; ///< ids selected, listed or not
    bool rowShown = false; ///< a selected row is in the list
    bool shownHasMatch = false;
    bool shownCanRename = false;
    bool anyReady = false; ///< some row can be renamed
    bool canUndo = false;
    bool canRedo = false;

    static CommandState read(const LibraryModel &model, const QUndoStack &history);
};

/// The commands enabled in `state`.
QSet<Command> enabledCommands(const CommandState &state);

class Actions : public QObject {
    Q_OBJECT
public:
    /// The commands of `window` (their shortcuts work anywhere in it), calling `model`. Quit,
    /// Settings and About are the window's to connect.
    Actions(LibraryModel &model, DesktopServices &desktop, QWidget *window);
    ~Actions() override;

    QAction *action(Command command) const { return m_actions[std::size_t(command)]; }
    /// The window's one undo history.
    QUndoStack &history() const { return *m_history; }
    /// Enables each command as the model and the history now allow.
    void updateEnabled();

private:
    QAction *make(Command command, const QString &text, const QString &icon, const QList<QKeySequence> &shortcuts,
        const QString &help = {});

    LibraryModel &m_model;
    DesktopServices &m_desktop;
    QWidget *m_window;
    QUndoStack *m_history;
    std::array<QAction *, commandCount> m_actions{};
};

} // namespace tolvane
