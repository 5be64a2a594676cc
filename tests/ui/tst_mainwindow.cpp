#include "library/LibraryModel.h"
#include "settings/AppSettings.h"
#include "support/DesktopServices.h"
#include "ui/Actions.h"
#include "ui/DetailPanel.h"
#include "ui/LibraryListModel.h"
#include "ui/MainWindow.h"

#include <QCoroTask>
#include <QComboBox>
#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPaintEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QUndoStack>

using namespace tolvane;

Q_DECLARE_METATYPE(QSet<tolvane::Command>)

namespace {

struct FakeDesktop : DesktopServices {
    QList<QUrl> opened;
    std::optional<QList<QUrl>> chooseFilesAndFolders(const QString &, const QString &) override { return {}; }
    std::optional<QList<QUrl>> chooseFolder(const QString &, const QString &) override { return {}; }
    void revealFiles(const QList<QUrl> &) override { }
    void openUrl(const QUrl &url) override { opened.append(url); }
    void setClipboardText(const QString &) override { }
};

/// The rectangles a widget is asked to paint.
class PaintedRects : public QObject {
public:
    explicit PaintedRects(QWidget *widget) { widget->installEventFilter(this); }
    QList<QRect> rects;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            rects.append(static_cast<QPaintEvent *>(event)->rect());
        return false;
    }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_films;
    QList<QUrl> m_urls;

    /// The visible widget of `T` with this accessible or object name, or null.
    template <typename T> T *find(const MainWindow &window, const QString &name)
    {
        for (T *widget : window.findChildren<T *>()) {
            if ((widget->accessibleName() == name || widget->objectName() == name) && widget->isVisibleTo(&window))
                return widget;
        }
        return nullptr;
    }
    QAction *action(const MainWindow &window, const QString &text)
    {
        for (QAction *action : window.findChildren<QAction *>()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }
    QSet<QUuid> ids(const LibraryModel &model, std::initializer_list<int> rows)
    {
        QSet<QUuid> ids;
        for (int row : rows)
            ids.insert(model.items()[row]->id());
        return ids;
    }

    /// The agent's "Alien" (1979) as the row's reply, chosen: "Alien(1979).mkv" proposed.
    static void proposeAlien(MovieItem &item)
    {
        MovieMatch film;
        film.title = QStringLiteral("Alien");
        film.year = 1979;
        item.setEngineReplies({{SearchEngine::yandexAI, EngineReplyStatus::success(film), {}}});
        item.applyFinalChoice();
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        for (const char *name : {"a.mkv", "b.mkv", "c.mkv", "notes.txt"}) {
            QFile file(m_films.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (QByteArray(name).endsWith(".mkv"))
                m_urls.append(QUrl::fromLocalFile(file.fileName()));
        }
    }

    // The header and content follow the list; the adaptor keeps to the item-model rules throughout.
    void headerAndContentPerState()
    {
        LibraryModel model;
        FakeDesktop desktop;
        MainWindow window(model, desktop);
        QAbstractItemModelTester tester(window.listModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        window.show();
        QVERIFY(find<QLabel>(window, "no Yandex AI key"));
        QVERIFY(find<QWidget>(window, "Drop zone"));
        QVERIFY(!find<QPushButton>(window, "Lookup Selected"));
        QVERIFY(!find<QPushButton>(window, "Rename All Ready"));

        QCoro::waitFor(model.addURLs(m_urls));
        QVERIFY(!find<QWidget>(window, "Drop zone"));
        QVERIFY(find<QPushButton>(window, "Lookup Selected"));
        QVERIFY(find<QPushButton>(window, "Rename All Ready"));
        QCOMPARE(window.listModel()->rowCount(), 3);
        QCOMPARE(window.listModel()->index(0).data(Qt::AccessibleTextRole).toString(), "a.mkv, —");
        QListView *media = window.detailPanel()->findChild<QListView *>();
        QAbstractItemModelTester mediaTester(media->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.items()[0]->setMediaInfo({MediaInfoRow{{}, "Video", "AVC"}, MediaInfoRow{{}, "Audio", "AAC"}});
        QCOMPARE(media->model()->rowCount(), 2);

        // A row's change reaches and repaints its own row only; a removal removes rows, not the list.
        QSignalSpy changed(window.listModel(), &QAbstractItemModel::dataChanged);
        QSignalSpy reset(window.listModel(), &QAbstractItemModel::modelReset);
        // Asking for a row's place lays the rows out now, so no pending layout repaints them later.
        const QRect rowRect = window.fileList()->visualRect(window.listModel()->index(1));
        PaintedRects painted(window.fileList()->viewport());
        window.fileList()->viewport()->update();
        QTRY_VERIFY(!painted.rects.isEmpty());
        painted.rects.clear();
        model.items()[1]->setStatus(LookupStatus::failed("timed out"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), 1);
        QTRY_VERIFY(!painted.rects.isEmpty());
        QCOMPARE(painted.rects, QList{rowRect});
        QCOMPARE(window.listModel()->index(1).data(Qt::AccessibleTextRole).toString(), "b.mkv, Error: timed out");
        // A rename replaces its row in place, and the selection follows the fresh row.
        proposeAlien(*model.items()[0]);
        QVERIFY(!model.rename(model.items()[0]));
        QCOMPARE(window.listModel()->index(0).data().toString(), "Alien(1979).mkv");
        QCOMPARE(window.fileList()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(model.selectedIDs(), ids(model, {0}));
        QCOMPARE(window.detailPanel()->item(), model.items()[0]); // the fresh row, not the renamed one
        QVERIFY(QFile::rename(m_films.filePath("Alien(1979).mkv"), m_films.filePath("a.mkv"))); // for the next cases
        const MovieItemPtr held = model.items()[2]; // as a running lookup holds its row
        const QList<RemovedRow> removed = model.removeItems(ids(model, {0, 2}));
        QCOMPARE(window.listModel()->index(0).data().toString(), "b.mkv");
        model.insertItems(removed); // back in place, as rows inserted
        QCOMPARE(window.listModel()->index(2).data().toString(), "c.mkv");
        model.removeItems(ids(model, {0, 2}));
        QCOMPARE(reset.size(), 0);
        const qsizetype changes = changed.size();
        held->setStatus(LookupStatus::failed("gone")); // a row off the list changes no row
        QCOMPARE(changed.size(), changes);

        model.setSelectedIDs(ids(model, {0}));
        model.removeItems(ids(model, {0}));
        QVERIFY(find<QWidget>(window, "Drop zone"));
        QVERIFY(!window.detailPanel()->item()); // no removed row held

        // A row held past the window's end tells nobody of its changes.
        MovieItemPtr survivor;
        {
            LibraryModel other;
            MainWindow shortLived(other, desktop);
            QCoro::waitFor(other.addURLs(m_urls));
            survivor = other.items()[0];
        }
        QVERIFY(!survivor->rowWatcher());
        survivor->setStatus(LookupStatus::failed("gone"));
    }

    // Selection both ways, the status bar's count, and the menus' enabling with stale IDs.
    void selectionAndMenus()
    {
        LibraryModel model;
        FakeDesktop desktop;
        MainWindow window(model, desktop);
        window.show();
        QCoro::waitFor(model.addURLs(m_urls));
        QItemSelectionModel *selection = window.fileList()->selectionModel();
        QCOMPARE(selection->selectedRows().size(), 1); // the intake selects the first row
        QVERIFY(!find<QLabel>(window, "selectionCount"));

        model.setSelectedIDs(ids(model, {0, 2}));
        QCOMPARE(selection->selectedRows().size(), 2);
        QCOMPARE(find<QLabel>(window, "selectionCount")->text(), "2 selected");

        selection->select(window.listModel()->index(1), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(model.selectedIDs(), ids(model, {1}));
        QVERIFY(!find<QLabel>(window, "selectionCount"));
        QVERIFY(action(window, "Reveal in File Manager")->isEnabled());

        model.setSelectedIDs({QUuid::createUuid()});
        QVERIFY(action(window, "Remove from List")->isEnabled());
        QVERIFY(!action(window, "Reveal in File Manager")->isEnabled());
        QVERIFY(!action(window, "Rename")->isEnabled());
        QVERIFY(action(window, "Lookup Selected")->isEnabled());
    }

    void commandsEnabled_data()
    {
        using C = Command;
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("selected"); // -1: an id gone from the list
        QTest::addColumn<QString>("first"); // the first row's state: "ready", "searching" for all, or ""
        QTest::addColumn<int>("history"); // 1: one edit made, 2: and undone
        QTest::addColumn<QSet<Command>>("enabled"); // beside Open, Open Folder, Quit, Settings and About
        QTest::newRow("empty list") << 0 << QList<int>{} << "" << 0 << QSet<C>{};
        QTest::newRow("nothing selected") << 3 << QList<int>{} << "" << 0 << QSet<C>{C::lookupSelected};
        QTest::newRow("a row without match")
            << 3 << QList<int>{1} << "" << 0 << QSet<C>{C::lookupSelected, C::reveal, C::openFile, C::remove};
        QTest::newRow("the ready row") << 3 << QList<int>{0, 1} << "ready" << 0
                                       << QSet<C>{C::lookupSelected, C::reveal, C::openFile, C::remove, C::check,
                                              C::rename, C::renameAllReady};
        QTest::newRow("another row than the ready one") << 3 << QList<int>{1} << "ready" << 0
            << QSet<C>{C::lookupSelected, C::reveal, C::openFile, C::remove, C::renameAllReady};
        QTest::newRow("a selection gone from the list") << 3 << QList<int>{-1} << "" << 0
                                                        << QSet<C>{C::lookupSelected, C::remove};
        QTest::newRow("all searching") << 2 << QList<int>{0} << "searching" << 0
                                       << QSet<C>{C::reveal, C::openFile, C::remove};
        QTest::newRow("an edit made") << 0 << QList<int>{} << "" << 1 << QSet<C>{C::undo};
        QTest::newRow("an edit undone") << 0 << QList<int>{} << "" << 2 << QSet<C>{C::redo};
    }
    void commandsEnabled()
    {
        QFETCH(int, rows);
        QFETCH(QList<int>, selected);
        QFETCH(QString, first);
        QFETCH(int, history);
        QFETCH(QSet<Command>, enabled);
        LibraryModel model;
        QCoro::waitFor(model.addURLs(m_urls.mid(0, rows)));
        if (first == "ready")
            proposeAlien(*model.items()[0]);
        for (const MovieItemPtr &item : model.items()) {
            if (first == "searching")
                item->setStatus(LookupStatus::searching());
        }
        QSet<QUuid> ids;
        for (int row : selected)
            ids.insert(row < 0 ? QUuid::createUuid() : model.items()[row]->id());
        model.setSelectedIDs(ids);
        QUndoStack edits;
        if (history > 0)
            edits.push(new QUndoCommand(QStringLiteral("Edit")));
        if (history > 1)
            edits.undo();
        enabled.unite({Command::openFiles, Command::openFolder, Command::quit, Command::settings, Command::about});
        QCOMPARE(enabledCommands(CommandState::read(model, edits)), enabled);
    }

    void deleteKey_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("inTextField");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << Qt::KeyboardModifiers() << false << 1;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << Qt::KeyboardModifiers() << false << 1;
        QTest::newRow("keypad Delete") << int(Qt::Key_Delete) << Qt::KeyboardModifiers(Qt::KeypadModifier) << false << 1;
        QTest::newRow("Shift+Delete") << int(Qt::Key_Delete) << Qt::KeyboardModifiers(Qt::ShiftModifier) << false << 3;
        QTest::newRow("Alt+Backspace") << int(Qt::Key_Backspace) << Qt::KeyboardModifiers(Qt::AltModifier) << false << 3;
        QTest::newRow("in a text field") << int(Qt::Key_Delete) << Qt::KeyboardModifiers() << true << 3;
        QTest::newRow("another key") << int(Qt::Key_X) << Qt::KeyboardModifiers() << false << 3;
    }
    void deleteKey()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, inTextField);
        QFETCH(int, rowsLeft);
        LibraryModel model;
        FakeDesktop desktop;
        MainWindow window(model, desktop);
        auto *field = new QLineEdit(QStringLiteral("text"), window.fileList()->parentWidget());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCoro::waitFor(model.addURLs(m_urls));
        model.setSelectedIDs(ids(model, {0, 1}));
        QWidget *target = inTextField ? static_cast<QWidget *>(field) : window.fileList();
        target->setFocus();
        QSignalSpy removed(&model, &LibraryModel::rowsRemoved);
        QTest::keyClick(target, Qt::Key(key), modifiers);
        QCOMPARE(model.items().size(), 3); // posted, never inside the key event
        if (rowsLeft < 3)
            QVERIFY(removed.wait(1000));
        QCoreApplication::processEvents();
        QCOMPARE(model.items().size(), rowsLeft);
    }

    void contextMenuRemoval_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("inside the selection") << 0 << QStringList{"b.mkv"};
        QTest::newRow("outside the selection") << 1 << QStringList{"a.mkv", "c.mkv"};
    }
    void contextMenuRemoval()
    {
        QFETCH(int, clicked);
        QFETCH(QStringList, left);
        LibraryModel model;
        FakeDesktop desktop;
        MainWindow window(model, desktop);
        window.show();
        QCoro::waitFor(model.addURLs(m_urls));
        model.setSelectedIDs(ids(model, {0, 2}));
        QListView *list = window.fileList();
        QTimer::singleShot(0, this, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            menu->actions().last()->trigger();
            menu->close();
        });
        Q_EMIT list->customContextMenuRequested(list->visualRect(window.listModel()->index(clicked)).center());
        QStringList names;
        for (const MovieItemPtr &item : model.items())
            names.append(item->originalName());
        QCOMPARE(names, left);
    }

    // Drops take local files only; a drag with none is refused before it can empty the list.
    void drops()
    {
        LibraryModel model;
        FakeDesktop desktop;
        MainWindow window(model, desktop);
        window.show();
        QCoro::waitFor(model.addURLs(m_urls));

        QMimeData foreign;
        foreign.setUrls({QUrl("https://example.org/film.mkv")});
        foreign.setText(QStringLiteral("film.mkv"));
        QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &foreign, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &refused);
        QVERIFY(!refused.isAccepted());

        QMimeData mixed;
        mixed.setUrls({QUrl("https://example.org/x.mkv"), m_urls[1]});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mixed, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mixed, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &drop);
        QTRY_COMPARE(model.items().size(), 1);
        QCOMPARE(model.items()[0]->originalName(), "b.mkv");
    }

    // Files handed over before the window first shows are held, then taken in as one drop.
    void filesHeldUntilShown()
    {
        LibraryModel model;
        FakeDesktop desktop;
        MainWindow window(model, desktop);
        window.openFiles({m_urls[0]});
        window.openFiles({});
        window.openFiles({m_urls[2]});
        QCoreApplication::processEvents();
        QVERIFY(model.items().isEmpty());
        window.show();
        QTRY_COMPARE(model.items().size(), 2);
    }
    // Ctrl+Z in a text field undoes typing; elsewhere it takes the last edit back: the rename, row and reply kept.
    void undoRename()
    {
        LibraryModel model;
        FakeDesktop desktop;
        MainWindow window(model, desktop);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCoro::waitFor(model.addURLs({m_urls[0]}));
        QAction *undo = window.actions().action(Command::undo);
        QVERIFY(!undo->isEnabled()); // a list opened in place of none is no edit to take back
        proposeAlien(*model.items()[0]);
        window.actions().action(Command::rename)->trigger();
        QCOMPARE(undo->text(), "Undo Rename");

        QSignalSpy undone(&model, &LibraryModel::renameUndone);
        QLineEdit *postfix = window.detailPanel()->postfixField();
        postfix->setFocus();
        QTest::keyClicks(postfix, "x");
        QTest::keyClick(postfix, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(postfix->text(), QString());
        QCOMPARE(undo->text(), "Undo Rename"); // typing taken back in the field leaves no edit

        window.fileList()->setFocus();
        QTest::keyClick(window.fileList(), Qt::Key_Z, Qt::ControlModifier);
        QTRY_COMPARE(undone.size(), 1);
        QCOMPARE(model.items()[0]->originalName(), "a.mkv");
        QCOMPARE(model.items()[0]->proposedName().value_or(QString()), "Alien(1979).mkv");
        QCOMPARE(model.statusText(), "Undone: 1 file(s)");
        QVERIFY(QFile::exists(m_films.filePath("a.mkv")));
        QVERIFY(!undo->isEnabled());
        QCOMPARE(window.actions().action(Command::redo)->text(), "Redo Rename");
    }

    void labelsReadTheirText_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("selected");
        QTest::newRow("drop zone") << 0 << 0;
        QTest::newRow("a row with its match") << 3 << 1;
        QTest::newRow("two rows selected") << 3 << 2;
    }
    // Screen readers read what a label shows, not a fixed name in its place.
    void labelsReadTheirText()
    {
        QFETCH(int, rows);
        QFETCH(int, selected);
        LibraryModel model;
        FakeDesktop desktop;
        MainWindow window(model, desktop);
        window.show();
        QCoro::waitFor(model.addURLs(m_urls.mid(0, rows)));
        if (rows > 0) {
            MovieItem &item = *model.items()[0];
            MovieMatch film;
            film.title = QStringLiteral("Tom & Jerry");
            film.year = 1992;
            film.notes = QStringLiteral("The feature, not the shorts");
            film.pageURL = QUrl("https://www.themoviedb.org/movie/15655");
            item.setEngineReplies({{SearchEngine::yandexAI, EngineReplyStatus::success(film), {}}});
            item.applyFinalChoice();
            item.setExtraTokens(QStringLiteral("1992"));
            model.setSelectedIDs(selected == 1 ? ids(model, {0}) : ids(model, {0, 1}));
        }
        QCoreApplication::processEvents();
        QStringList unread;
        std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
            if (!node || node->state().invisible)
                return;
            if (const auto *label = qobject_cast<QLabel *>(node->object())) {
                QTextDocument shown;
                shown.setHtml(label->text());
                const QString text = label->textFormat() == Qt::RichText ? shown.toPlainText() : label->text();
                if (!node->text(QAccessible::Name).contains(text))
                    unread.append(node->text(QAccessible::Name) + " ≠ " + text);
            }
            for (int child = 0; child < node->childCount(); ++child)
                walk(node->child(child));
        };
        walk(QAccessible::queryAccessibleInterface(&window));
        QCOMPARE(unread, QStringList());
    }

    void panelFollowsSavedLayout_data()
    {
        QTest::addColumn<int>("layout"); // the row of the settings' combo
        QTest::addColumn<bool>("folders");
        QTest::addColumn<QString>("path");
        QTest::newRow("flat") << 0 << true << u"Alien(1979).mkv"_qs;
        QTest::newRow("jellyfin") << 1 << true << u"Alien (1979)/Alien (1979).mkv"_qs;
        QTest::newRow("kodi in place") << 3 << false << u"Alien (1979).mkv"_qs;
    }
    // A layout saved in the settings names the rows at once: the panel's target and edition, the list's status line.
    void panelFollowsSavedLayout()
    {
        QFETCH(int, layout);
        QFETCH(bool, folders);
        QFETCH(QString, path);
        const QString postfix = layout > 0 ? u"Edition"_qs : u"Name postfix"_qs;
        LibraryModel model;
        FakeDesktop desktop;
        MainWindow window(model, desktop);
        window.show();
        QCoro::waitFor(model.addURLs({m_urls[0]}));
        proposeAlien(*model.items()[0]);
        window.showSettings();
        find<QComboBox>(window, "Library layout")->setCurrentIndex(layout);
        find<QAbstractButton>(window, "Put each film in a folder of its own")->setChecked(folders);
        find<QPushButton>(window, "Save")->click();
        QTRY_VERIFY(!find<QComboBox>(window, "Library layout"));
        const DetailPanel *panel = window.detailPanel();
        QCOMPARE(panel->targetPath()->isVisibleTo(panel) ? panel->targetPath()->text() : QString(),
            path.contains(u'/') ? "→ " + path : QString());
        QCOMPARE(std::pair(panel->postfixLabel()->text(), panel->postfixField()->accessibleName()), std::pair(postfix, postfix));
        QCOMPARE(window.listModel()->index(0).data(Qt::AccessibleTextRole).toString(), "a.mkv, " + path);
        AppSettings::resetAll();
    }

    void firstWindowSize_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("desktop") << QSize(1920, 1080) << QSize(1280, 800);
        QTest::newRow("laptop: nine tenths") << QSize(1366, 768) << QSize(1229, 691);
        QTest::newRow("small screen: the minimum") << QSize(1024, 600) << QSize(960, 560);
    }
    void firstWindowSize()
    {
        QFETCH(QSize, available);
        QFETCH(QSize, expected);
        QCOMPARE(tolvane::firstWindowSize(available, {960, 560}), expected);
    }

    void layoutRemembered_data()
    {
        QTest::addColumn<bool>("resetBeforeClosing");
        QTest::newRow("closed") << false;
        QTest::newRow("settings reset, then closed") << true;
    }
    // The window opens at its first size, and after a close as it was left: size and split.
    void layoutRemembered()
    {
        QFETCH(bool, resetBeforeClosing);
        AppSettings::resetAll();
        LibraryModel model;
        FakeDesktop desktop;
        QCoro::waitFor(model.addURLs(m_urls));
        QList<int> firstSplit, split;
        const QSize first
            = tolvane::firstWindowSize(QGuiApplication::primaryScreen()->availableGeometry().size(), {960, 560});
        {
            MainWindow window(model, desktop);
            QCOMPARE(window.size(), first);
            window.show();
            firstSplit = window.findChild<QSplitter *>()->sizes();
            window.resize(1100, 700);
            window.findChild<QSplitter *>()->setSizes({700, 300});
            split = window.findChild<QSplitter *>()->sizes();
            QVERIFY(split != firstSplit);
            if (resetBeforeClosing)
                AppSettings::resetAll();
            window.close();
        }
        MainWindow again(model, desktop);
        again.show();
        QCOMPARE(again.size(), resetBeforeClosing ? first : QSize(1100, 700));
        QCOMPARE(again.findChild<QSplitter *>()->sizes(), resetBeforeClosing ? firstSplit : split);
    }
};

int main(int argc, char **argv)
{
    // A desktop-sized screen: the offscreen platform's own 800 × 600 is below the window's minimum.
    QTemporaryDir dir;
    QFile screens(dir.filePath("screens.json"));
    if (!screens.open(QIODevice::WriteOnly)
        || screens.write(R"({"screens": [{"name": "desk", "width": 1920, "height": 1080}]})") < 0)
        return 1;
    screens.close();
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false); // a window closed by a test does not end the run
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainwindow.moc"
