#include "ui/MainWindow.h"

#include "core/FilePaths.h"
#include "library/LibraryModel.h"
#include "services/BrowserCookies.h"
#include "settings/AppSettings.h"
#include "support/DesktopServices.h"
#include "ui/Actions.h"
#include "ui/Controls.h"
#include "ui/DeleteKeyFilter.h"
#include "ui/DetailPanel.h"
#include "ui/Fonts.h"
#include "ui/LibraryListModel.h"
#include "ui/MovieRowDelegate.h"
#include "ui/NamedColors.h"
#include "ui/SettingsDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvane {

namespace {

/// The file list. In list mode Qt lays every row out again and repaints the whole viewport on any
/// row's change, so each lookup reply cost a repaint of the window's largest area. Rows here all
/// have the height of the font, which no change of a row alters: a changed row repaints itself only.
class FileListView : public QListView {
public:
    using QListView::QListView;

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) override
    {
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    }
};

QFrame *divider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

/// The local files among dropped URLs; anything else a drag may carry is skipped.
QList<QUrl> localFiles(const QMimeData *mime)
{
    QList<QUrl> files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile())
            files.append(url);
    }
    return files;
}

} // namespace

MainWindow::MainWindow(LibraryModel &model, DesktopServices &desktop, QWidget *parent)
    : QMainWindow(parent)
    , m_model(model)
    , m_desktop(desktop)
    , m_cookies(std::make_shared<BrowserCookies>())
    , m_actions(new Actions(model, desktop, this))
    , m_listModel(new LibraryListModel(model, this))
{
    setWindowTitle(QStringLiteral("Tolvane"));
    setMinimumSize(960, 560);
    setAcceptDrops(true);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(divider(central));
    m_content = new QStackedWidget(central);
    m_content->addWidget(buildDropZone());
    m_content->addWidget(buildSplit());
    layout->addWidget(m_content, 1);
    layout->addWidget(divider(central));
    layout->addWidget(buildStatusBar());
    setCentralWidget(central);
    buildMenus();
    restoreLayout();

    new DeleteKeyFilter(
        this, [this] { return m_list->isVisible() && !m_model.selectedIDs().isEmpty(); },
        [this] { m_actions->action(Command::remove)->trigger(); });

    connect(this, &MainWindow::openAppSettings, this, &MainWindow::showSettings);
    const auto rowsChanged = [this] {
        updateContent();
        updateActions();
        updateDetail();
    };
    connect(&m_model, &LibraryModel::rowsRemoved, this, rowsChanged);
    connect(&m_model, &LibraryModel::rowsInserted, this, rowsChanged);
    connect(&m_model, &LibraryModel::rowReplaced, this, rowsChanged);
    connect(&m_model, &LibraryModel::listReset, this, rowsChanged);
    connect(&m_model, &LibraryModel::selectedIDsChanged, this, [this] {
        pullSelectionFromModel();
        updateActions();
        updateStatusBar();
        updateDetail();
    });
    connect(&m_model, &LibraryModel::statusTextChanged, this, &MainWindow::updateStatusBar);
    connect(&m_model, &LibraryModel::canUndoRenameChanged, this, &MainWindow::updateActions);
    connect(&m_model, &LibraryModel::folderURLChanged, this, &MainWindow::updateStatusBar);
    // The detail panel follows its row itself; a row's change only moves the actions' enabling.
    connect(m_listModel, &LibraryListModel::dataChanged, this, &MainWindow::updateActions);

    updateContent();
    updateKeyLabel();
    updateActions();
    updateStatusBar();
    updateDetail();
    pullSelectionFromModel();
}

MainWindow::~MainWindow() = default;

QWidget *MainWindow::buildHeader()
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(12);

    row->addWidget(new InfoLabel(QStringLiteral("Tolvane"), fonts::headline(font()), header, InfoLabel::Tone::primary));

    m_keyMissing = new InfoLabel(tr("no Yandex AI key"), fonts::smallCaption(font()), header);
    setTextColor(m_keyMissing, namedColor(NamedColor::orange, m_keyMissing->palette()));
    row->addWidget(m_keyMissing);
    row->addStretch(1);

    row->addWidget(actionButton(m_actions->action(Command::settings), header));
    row->addWidget(actionButton(m_actions->action(Command::openFiles), header));
    m_lookupButton = actionButton(m_actions->action(Command::lookupSelected), header);
    row->addWidget(m_lookupButton);
    m_renameAllButton = actionButton(m_actions->action(Command::renameAllReady), header);
    row->addWidget(m_renameAllButton);
    return header;
}

QWidget *MainWindow::buildDropZone()
{
    auto *zone = new QWidget(this);
    zone->setAccessibleName(tr("Drop zone"));
    auto *column = new QVBoxLayout(zone);
    column->setSpacing(14);
    column->addStretch(1);

    const QIcon folder = QIcon::fromTheme(QStringLiteral("folder-new"), style()->standardIcon(QStyle::SP_DirIcon));
    auto *icon = new QLabel(zone);
    icon->setPixmap(folder.pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    icon->setAccessibleName(tr("Folder"));
    column->addWidget(icon);

    auto *title = new InfoLabel(
        tr("Drop files and/or folders"), fonts::title3(font()), zone, InfoLabel::Tone::primary);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);

    auto *hint = new InfoLabel(tr("Any mix of videos and folders (folders scan recursively)\n"
                                  "Lookup → rename to: Title_(Year).ext"),
        fonts::callout(font()), zone);
    hint->setAlignment(Qt::AlignCenter);
    column->addWidget(hint);

    column->addWidget(actionButton(m_actions->action(Command::openFiles), zone), 0, Qt::AlignHCenter);
    column->addStretch(1);
    return zone;
}

QWidget *MainWindow::buildSplit()
{
    auto *split = new QSplitter(Qt::Horizontal, this);
    m_split = split;
    split->setChildrenCollapsible(false);

    m_list = new FileListView(split);
    m_list->setAccessibleName(tr("Files"));
    m_list->setModel(m_listModel);
    m_list->setItemDelegate(new MovieRowDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setMinimumWidth(480);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setMouseTracking(true);
    connect(m_list, &QListView::customContextMenuRequested, this, &MainWindow::showContextMenu);
    connect(m_list, &QListView::doubleClicked, this, &MainWindow::openItemAt);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::pushSelectionToModel);

    m_detail = new QStackedWidget(split);
    m_detail->setAccessibleName(tr("Detail"));
    m_detail->setMinimumWidth(260);
    m_detail->setMaximumWidth(380);
    m_detail->setAutoFillBackground(true);
    m_detail->setBackgroundRole(QPalette::Window);
    m_detailPlaceholder = new InfoLabel(tr("Select a file"), font(), m_detail);
    m_detailPlaceholder->setAlignment(Qt::AlignCenter);
    m_detail->addWidget(m_detailPlaceholder);
    m_detailPanel = new DetailPanel(m_model, m_desktop, *m_actions, m_detail);
    m_detail->addWidget(m_detailPanel);
    // A translation's longer button texts widen the action bar: the panel is never cut narrower.
    const int panelWidth = m_detailPanel->minimumSizeHint().width();
    if (panelWidth > m_detail->minimumWidth()) {
        m_detail->setMinimumWidth(panelWidth);
        m_detail->setMaximumWidth(std::max(m_detail->maximumWidth(), panelWidth + 80));
    }

    split->addWidget(m_list);
    split->addWidget(m_detail);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setSizes({660, 300});
    return split;
}

QWidget *MainWindow::buildStatusBar()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 6, 12, 6);
    m_status = new InfoLabel(QString(), fonts::caption(font()), bar);
    m_status->setContext(tr("Status"));
    row->addWidget(m_status);
    row->addStretch(1);
    m_selectionCount = new InfoLabel(QString(), fonts::smallCaption(font()), bar);
    m_selectionCount->setObjectName(QStringLiteral("selectionCount"));
    row->addWidget(m_selectionCount);
    m_folder = new InfoLabel(QString(), fonts::smallCaption(font()), bar);
    m_folder->setContext(tr("Folder"));
    m_folder->elideToWidth();
    row->addWidget(m_folder, 0);
    return bar;
}

void MainWindow::buildMenus()
{
    const auto place = [this](QMenu *menu, std::initializer_list<Command> commands) {
        for (Command command : commands)
            menu->addAction(m_actions->action(command));
    };
    QMenu *file = menuBar()->addMenu(tr("&File"));
    place(file, {Command::openFiles, Command::openFolder});
    file->addSeparator();
    place(file, {Command::quit});

    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    // A text field with focus takes Ctrl+Z first: there it undoes typing.
    place(edit, {Command::undo, Command::redo});
    edit->addSeparator();
    place(edit, {Command::lookupSelected, Command::check, Command::reveal, Command::remove, Command::rename,
                    Command::renameAllReady});
    edit->addSeparator();
    place(edit, {Command::settings});

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    place(help, {Command::about});

    connect(m_actions->action(Command::quit), &QAction::triggered, this, &QWidget::close);
    connect(m_actions->action(Command::settings), &QAction::triggered, this, [this] { Q_EMIT openAppSettings(); });
    connect(m_actions->action(Command::about), &QAction::triggered, this, [this] {
        QMessageBox::about(this, tr("About Tolvane"),
            tr("<b>Tolvane %1</b><p>Renames the video files of a movie library after the films "
               "they hold.</p><p>Released under the MIT licence.</p>")
                .arg(QCoreApplication::applicationVersion().toHtmlEscaped()));
    });
}

QSize firstWindowSize(const QSize &available, const QSize &minimum)
{
    return QSize(std::min(1280, available.width() * 9 / 10), std::min(800, available.height() * 9 / 10))
        .expandedTo(minimum);
}

void MainWindow::restoreLayout()
{
    m_resetsSeen = AppSettings::resetCount();
    const QByteArray geometry = AppSettings::windowGeometry();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        resize(firstWindowSize(screen ? screen->availableGeometry().size() : QSize(), minimumSize()));
    }
    m_split->restoreState(AppSettings::windowSplit());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        AppSettings::storeWindowLayout(saveGeometry(), m_split->saveState(), m_resetsSeen);
}

void MainWindow::openFiles(const QList<QUrl> &files)
{
    if (files.isEmpty())
        return;
    if (!m_shown) {
        m_heldFiles += files;
        return;
    }
    m_model.addURLs(files);
}

void MainWindow::setBrowserCookies(std::shared_ptr<BrowserCookies> cookies)
{
    m_cookies = std::move(cookies);
}

void MainWindow::showSettings()
{
    auto *dialog = new SettingsDialog(m_desktop, m_cookies, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::finished, this, &MainWindow::updateKeyLabel);
    // Every row's proposal follows a layout saved at once, not at the next lookup.
    connect(dialog, &QDialog::accepted, this, [this] {
        const NamingOptions naming = NamingOptions::fromSettings();
        if (naming == m_model.namingOptions())
            return;
        m_model.setNamingOptions(naming);
        m_detailPanel->refreshChosen();
    });
    dialog->open();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (!m_heldFiles.isEmpty()) {
        // Posted, so that the window paints once before a long scan starts.
        QTimer::singleShot(0, this, [this] { m_model.addURLs(std::exchange(m_heldFiles, {})); });
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    // Refused at once when nothing dropped could be a file: the list and its results stay.
    if (localFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QList<QUrl> files = localFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The drag source is answered first; the scan runs on the next turn of the event loop.
    QTimer::singleShot(0, this, [this, files] { m_model.addURLs(files); });
}

void MainWindow::showContextMenu(const QPoint &position)
{
    const MovieItem *item = m_listModel->itemAt(m_list->indexAt(position));
    if (!item)
        return;
    // The menu acts on the selection, which a click outside it replaces by the clicked row.
    if (!m_model.selectedIDs().contains(item->id()))
        m_model.setSelectedIDs({item->id()});
    QMenu menu(this);
    for (Command command : {Command::openFile, Command::reveal})
        menu.addAction(m_actions->action(command));
    menu.addSeparator();
    menu.addAction(m_actions->action(Command::remove));
    menu.exec(m_list->viewport()->mapToGlobal(position));
}

void MainWindow::openItemAt(const QModelIndex &index)
{
    if (const MovieItem *item = m_listModel->itemAt(index))
        m_desktop.openUrl(item->url());
}

void MainWindow::updateKeyLabel()
{
    // Reads the settings file: at start and when the settings close, never per row change.
    m_keyMissing->setVisible(!AppSettings::hasYandexAPIKey());
}

void MainWindow::updateContent()
{
    const bool hasItems = !m_model.items().isEmpty();
    m_content->setCurrentIndex(hasItems ? 1 : 0);
    m_lookupButton->setVisible(hasItems);
    m_renameAllButton->setVisible(hasItems);
}

void MainWindow::updateActions()
{
    m_actions->updateEnabled();
}

void MainWindow::updateStatusBar()
{
    m_status->setText(m_model.statusText());
    const qsizetype count = m_model.selectedIDs().size();
    m_selectionCount->setVisible(count >= 2);
    //: The count of the files selected in the list
    m_selectionCount->setText(tr("%n selected", nullptr, int(count)));
    const std::optional<QUrl> &folder = m_model.folderURL();
    m_folder->setVisible(folder.has_value());
    m_folder->setText(folder ? readableName(nativePath(*folder)) : QString());
}

void MainWindow::updateDetail()
{
    MovieItemPtr item = m_model.selectedItem();
    m_detail->setCurrentWidget(item ? static_cast<QWidget *>(m_detailPanel) : m_detailPlaceholder);
    m_detailPanel->setItem(std::move(item));
}

void MainWindow::pushSelectionToModel()
{
    if (m_syncingSelection)
        return;
    m_syncingSelection = true;
    m_model.setSelectedIDs(m_listModel->idsIn(m_list->selectionModel()->selection()));
    m_syncingSelection = false;
}

void MainWindow::pullSelectionFromModel()
{
    if (m_syncingSelection)
        return;
    m_syncingSelection = true;
    QItemSelectionModel *selection = m_list->selectionModel();
    const QItemSelection rows = m_listModel->selectionFor(m_model.selectedIDs());
    selection->select(rows, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty()) {
        const QModelIndex first = rows.first().topLeft();
        selection->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        m_list->scrollTo(first);
    }
    m_syncingSelection = false;
}

} // namespace tolvane
