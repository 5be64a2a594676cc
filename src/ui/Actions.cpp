#include "ui/Actions.h"

#include "library/LibraryModel.h"
#include "support/DesktopServices.h"
#include "ui/EditCommands.h"

#include <QAction>
#include <QIcon>
#include <QUndoStack>
#include <QWidget>

namespace tolvane {

CommandState CommandState::read(const LibraryModel &model, const QUndoStack &history)
{
    CommandState state;
    state.canLookup = model.canLookup();
    state.selectedIDs = model.selectedIDs().size();
    if (const MovieItemPtr shown = model.selectedItem()) {
        state.rowShown = true;
        state.shownHasMatch = shown->chosenMatch().has_value();
        state.shownCanRename = shown->canRename();
    }
    // Most rows are not ready while lookups run, and canRename() asks the status first.
    state.anyReady = std::any_of(model.items().cbegin(), model.items().cend(),
        [](const MovieItemPtr &item) { return item->canRename(); });
    state.canUndo = history.canUndo();
    state.canRedo = history.canRedo();
    return state;
}

QSet<Command> enabledCommands(const CommandState &state)
{
    QSet<Command> enabled{Command::openFiles, Command::openFolder, Command::quit, Command::settings, Command::about};
    const auto enableIf = [&enabled](bool condition, std::initializer_list<Command> commands) {
        if (condition)
            enabled.unite(QSet<Command>(commands));
    };
    enableIf(state.canUndo, {Command::undo});
    enableIf(state.canRedo, {Command::redo});
    enableIf(state.canLookup, {Command::lookupSelected});
    enableIf(state.rowShown, {Command::reveal, Command::openFile});
    enableIf(state.shownHasMatch, {Command::check});
    enableIf(state.selectedIDs > 0, {Command::remove});
    enableIf(state.shownCanRename, {Command::rename});
    enableIf(state.anyReady, {Command::renameAllReady});
    return enabled;
}

Actions::Actions(LibraryModel &model, DesktopServices &desktop, QWidget *window)
    : QObject(window)
    , m_model(model)
    , m_desktop(desktop)
    , m_window(window)
    , m_history(new QUndoStack(this))
{
    // An intake's command keeps the list it replaced: the history is bounded, not the session.
    m_history->setUndoLimit(100);
    const auto key = [](QKeyCombination combination) { return QKeySequence(combination); };
    make(Command::openFiles, tr("Open…"), QStringLiteral("document-open"), {key(Qt::CTRL | Qt::Key_O)});
    make(Command::openFolder, tr("Open Folder…"), QStringLiteral("folder-open"),
        {key(Qt::CTRL | Qt::SHIFT | Qt::Key_O)});
    make(Command::quit, tr("Quit"), QStringLiteral("application-exit"), {key(Qt::CTRL | Qt::Key_Q)});
    make(Command::undo, tr("Undo"), QStringLiteral("edit-undo"), {QKeySequence::Undo});
    make(Command::redo, tr("Redo"), QStringLiteral("edit-redo"),
        {key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), key(Qt::CTRL | Qt::Key_Y)});
    make(Command::lookupSelected, tr("Lookup Selected"), QStringLiteral("edit-find"),
        {key(Qt::CTRL | Qt::Key_L)}, tr("Look the selected files up, or all when none is selected"))
        //: A short button label: look the films up
        ->setIconText(tr("Lookup"));
    //: Opens a web search to check the chosen film
    make(Command::check, tr("Check"), QStringLiteral("system-search"), {key(Qt::CTRL | Qt::Key_G)},
        tr("Open Google search for the chosen match"));
    make(Command::reveal, tr("Reveal in File Manager"), QStringLiteral("system-file-manager"),
        {key(Qt::CTRL | Qt::SHIFT | Qt::Key_R)})
        //: A short button label: show the file in the file manager
        ->setIconText(tr("Reveal"));
    //: Opens the file itself, e.g. plays the film
    make(Command::openFile, tr("Open"), {}, {}, tr("Open the file in its default application"));
    make(Command::remove, tr("Remove from List"), QStringLiteral("list-remove"),
        {key(Qt::CTRL | Qt::Key_Delete)});
    // Ctrl+Enter on the keypad renames too.
    make(Command::rename, tr("Rename"), {}, {key(Qt::CTRL | Qt::Key_Return), key(Qt::CTRL | Qt::Key_Enter)},
        tr("Rename the selected files to their new names"));
    make(Command::renameAllReady, tr("Rename All Ready"), {}, {key(Qt::CTRL | Qt::SHIFT | Qt::Key_Return)},
        tr("Rename every file that has a new name"));
    make(Command::settings, tr("Settings…"), QStringLiteral("preferences-system"),
        {key(Qt::CTRL | Qt::Key_Comma)});
    make(Command::about, tr("About Tolvane"), QStringLiteral("help-about"), {});

    const auto on = [this](Command command, auto slot) { connect(action(command), &QAction::triggered, this, slot); };
    on(Command::openFiles, [this] { m_model.chooseFilesToOpen(); });
    on(Command::openFolder, [this] { m_model.chooseFolderToOpen(); });
    on(Command::undo, [this] { m_history->undo(); });
    on(Command::redo, [this] { m_history->redo(); });
    on(Command::lookupSelected, [this] { m_model.lookupSelected(); });
    on(Command::check, [this] { m_model.checkSelected(); });
    on(Command::reveal, [this] { m_model.revealSelected(); });
    on(Command::openFile, [this] {
        if (const MovieItemPtr shown = m_model.selectedItem())
            m_desktop.openUrl(shown->url());
    });
    on(Command::remove, [this] { removeRows(*m_history, m_model, m_model.selectedIDs()); });
    on(Command::rename, [this] { renameRows(*m_history, m_model, [this] { m_model.renameSelected(); }); });
    on(Command::renameAllReady, [this] { renameRows(*m_history, m_model, [this] { m_model.renameAllReady(); }); });
    connect(&m_model, &LibraryModel::listReplacedByIntake, this,
        [this](QList<MovieItemPtr> previous, std::optional<QUrl> folder) {
            recordIntake(*m_history, m_model, std::move(previous), std::move(folder));
        });
    // Undo and Redo name the edit they would take back or make again.
    const auto name = [this](Command command, const QString &plain, const QString &withEdit, const QString &edit) {
        QAction *named = action(command);
        named->setText(edit.isEmpty() ? plain : withEdit.arg(edit));
        named->setToolTip(QStringLiteral("%1 (%2)").arg(named->text(), named->shortcut().toString(QKeySequence::NativeText)));
    };
    connect(m_history, &QUndoStack::undoTextChanged, this,
        [this, name](const QString &edit) {
            //: %1 is the name of the edit the command takes back, e.g. Rename 3 Files
            name(Command::undo, tr("Undo"), tr("Undo %1"), edit);
        });
    connect(m_history, &QUndoStack::redoTextChanged, this,
        [this, name](const QString &edit) {
            //: %1 is the name of the edit the command makes again, e.g. Rename 3 Files
            name(Command::redo, tr("Redo"), tr("Redo %1"), edit);
        });
    connect(m_history, &QUndoStack::canUndoChanged, this, &Actions::updateEnabled);
    connect(m_history, &QUndoStack::canRedoChanged, this, &Actions::updateEnabled);
    updateEnabled();
}

Actions::~Actions() = default;

QAction *Actions::make(Command command, const QString &text, const QString &icon,
    const QList<QKeySequence> &shortcuts, const QString &help)
{
    auto *action = new QAction(text, this);
    if (!icon.isEmpty())
        action->setIcon(QIcon::fromTheme(icon));
    action->setShortcuts(shortcuts);
    // Hover help names the shortcut the action has, so the two cannot drift apart.
    QString tip = help.isEmpty() ? text : help;
    if (!shortcuts.isEmpty())
        tip += QStringLiteral(" (%1)").arg(shortcuts.first().toString(QKeySequence::NativeText));
    action->setToolTip(tip);
    if (m_window)
        m_window->addAction(action);
    m_actions[std::size_t(command)] = action;
    return action;
}

void Actions::updateEnabled()
{
    const QSet<Command> enabled = enabledCommands(CommandState::read(m_model, *m_history));
    for (int command = 0; command < commandCount; ++command)
        m_actions[command]->setEnabled(enabled.contains(Command(command)));
}

} // namespace tolvane
