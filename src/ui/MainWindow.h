#pragma once

#include <QList>
#include <QMainWindow>
#include <QUrl>

#include <memory>

class QAction;
class QListView;
class QPushButton;
class QSplitter;
class QStackedWidget;

namespace tolvane {

/// The window's size on a first start: 1280 × 800, at most nine tenths of the screen's `available`
/// area, never below `minimum`.
QSize firstWindowSize(const QSize &available, const QSize &minimum);

class Actions;
class BrowserCookies;
class DesktopServices;
class DetailPanel;
class InfoLabel;
class LibraryListModel;
class LibraryModel;

/// The one window: a header with the main buttons, the drop zone or the file list beside the
/// selected row, and a status bar. It holds no rows of its own: everything shown is read from
/// the LibraryModel, and every action is a call of it.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(LibraryModel &model, DesktopServices &desktop, QWidget *parent = nullptr);
    ~MainWindow() override;

    /// Files handed over by the desktop (command line, file manager, a second launch). Held until
    /// the window has first been shown, then taken in as one drop; an empty list does nothing.
    void openFiles(const QList<QUrl> &files);
    /// The browser cookies the settings dialog shows and reloads: the app hands in those its lookups
    /// use. Until then the window has a reader of its own.
    void setBrowserCookies(std::shared_ptr<BrowserCookies> cookies);
    /// Opens a fresh settings dialog, modal to this window.
    void showSettings();
    /// Shows or hides the "no Yandex AI key" label (at start, once the key has been read, and
    /// after the settings dialog closed).
    void updateKeyLabel();

    QListView *fileList() const { return m_list; }
    LibraryListModel *listModel() const { return m_listModel; }
    DetailPanel *detailPanel() const { return m_detailPanel; }
    Actions &actions() const { return *m_actions; }

Q_SIGNALS:
    /// Asks the window to show its settings (the menu posts it; the window listens).
    void openAppSettings();

protected:
    void showEvent(QShowEvent *event) override;
    /// Remembers the window's size, place and split for the next start.
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QWidget *buildHeader();
    QWidget *buildDropZone();
    QWidget *buildSplit();
    QWidget *buildStatusBar();
    void buildMenus();
    void restoreLayout();
    void showContextMenu(const QPoint &position);
    void openItemAt(const QModelIndex &index);

    void updateContent();
    void updateActions();
    void updateStatusBar();
    void updateDetail();
    void pushSelectionToModel();
    void pullSelectionFromModel();

    LibraryModel &m_model;
    DesktopServices &m_desktop;
    std::shared_ptr<BrowserCookies> m_cookies;
    Actions *m_actions = nullptr;
    LibraryListModel *m_listModel = nullptr;
    QListView *m_list = nullptr;
    QStackedWidget *m_content = nullptr;
    InfoLabel *m_keyMissing = nullptr;
    QPushButton *m_lookupButton = nullptr;
    QPushButton *m_renameAllButton = nullptr;
    QSplitter *m_split = nullptr;
    QStackedWidget *m_detail = nullptr;
    InfoLabel *m_detailPlaceholder = nullptr;
    DetailPanel *m_detailPanel = nullptr;
    InfoLabel *m_status = nullptr;
    InfoLabel *m_selectionCount = nullptr;
    InfoLabel *m_folder = nullptr;
    bool m_shown = false;
    quint64 m_resetsSeen = 0; // AppSettings::resetCount() when the layout was read
    bool m_syncingSelection = false;
    QList<QUrl> m_heldFiles;
};

} // namespace tolvane
