// The window's costs that users feel: an intake reaching the list, painting a viewport of a huge
// list and moving the selection. Prints milliseconds; run on the offscreen platform or a display.
//   bench_window [ROWS]   (default 100000; the intake uses a tenth of them, made once under /tmp)

#include "library/LibraryModel.h"
#include "support/DesktopServices.h"
#include "ui/LibraryListModel.h"
#include "ui/MainWindow.h"

#include <QCoroTask>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QPixmap>
#include <QScrollBar>

#include <cstdio>

using namespace tolvane;

namespace {

QString makeTree(int files)
{
    const QString root = QStringLiteral("/tmp/tolvane-bench-window-%1").arg(files);
    if (QDir(root).exists())
        return root;
    for (int i = 0; i < files; ++i) {
        const QString folder = root + QStringLiteral("/%1").arg(i / 500);
        QDir().mkpath(folder);
        QFile(folder + QStringLiteral("/Film.%1.%2.1080p.mkv").arg(i).arg(1950 + i % 70)).open(QIODevice::WriteOnly);
    }
    return root;
}

double best(int runs, const std::function<void()> &work)
{
    double fastest = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e6);
    }
    return fastest;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    NoDesktopServices desktop;

    const QList<QUrl> small = {QUrl::fromLocalFile(makeTree(rows / 10))};
    LibraryModel headless;
    const double bare = best(5, [&] { QCoro::waitFor(headless.addURLs(small)); });
    LibraryModel shown;
    MainWindow window(shown, desktop);
    window.resize(1100, 700);
    window.show();
    QApplication::processEvents();
    const double listed = best(5, [&] {
        QCoro::waitFor(shown.addURLs(small));
        window.fileList()->viewport()->repaint();
    });
    std::printf("intake of %d rows: headless %.1f ms, to the painted list %.1f ms (%.2fx)\n", rows / 10, bare,
        listed, listed / bare);

    const QList<QUrl> big = {QUrl::fromLocalFile(makeTree(rows))};
    QCoro::waitFor(shown.addURLs(big));
    QApplication::processEvents();
    QListView *list = window.fileList();
    QScrollBar *bar = list->verticalScrollBar();
    int step = 0;
    const double frame = best(50, [&] {
        bar->setValue((bar->maximum() / 50) * (step++ % 50));
        list->viewport()->repaint();
    });
    std::printf("paint a viewport of %lld rows: %.2f ms a frame\n", qlonglong(shown.items().size()), frame);

    int row = 0;
    const double select = best(50, [&] {
        row = (row + 997) % int(shown.items().size());
        shown.setSelectedIDs({shown.items()[row]->id()});
        list->viewport()->repaint();
    });
    QSet<QUuid> half;
    for (int i = 0; i < shown.items().size(); i += 2)
        half.insert(shown.items()[i]->id());
    const double selectMany = best(3, [&] {
        shown.setSelectedIDs(half);
        list->viewport()->repaint();
        shown.setSelectedIDs({});
    });
    // What Ctrl+A and then a click elsewhere do: one range in the view, every id in the model.
    const double selectAll = best(5, [&] {
        list->selectAll();
        list->viewport()->repaint();
        list->clearSelection();
    });
    std::printf("selection change: one row %.2f ms, all %lld rows and back %.1f ms, every other row %.1f ms\n", select,
        qlonglong(shown.items().size()), selectAll, selectMany);

    // The detail panel switching between two rows, each with a reply per engine (VK's with five
    // candidates, the agent's with alternative titles) and 40 media rows, the window repainted.
    for (int k = 0; k < 2; ++k) {
        const MovieItemPtr &item = shown.items()[k];
        MovieMatch agent;
        agent.title = QStringLiteral("Film %1").arg(k);
        agent.year = 1990 + k;
        agent.engine = SearchEngine::yandexAI;
        agent.altTitles = {QStringLiteral("Der Film"), QStringLiteral("Le Film")};
        EngineReply vk{SearchEngine::vkvideo, EngineReplyStatus::success(agent), {}};
        for (int c = 0; c < 5; ++c)
            vk.candidates.append(agent);
        item->setEngineReplies({{SearchEngine::yandexAI, EngineReplyStatus::success(agent), {}}, vk,
            {SearchEngine::duckDuckGo, EngineReplyStatus::failed(QStringLiteral("No catalog result")), {}}});
        item->applyFinalChoice();
        QList<MediaInfoRow> media(40);
        for (int m = 0; m < 40; ++m) {
            media[m].key = QStringLiteral("Key %1").arg(m);
            media[m].value = QStringLiteral("a value of some length, row %1 of the summary").arg(m);
        }
        item->setMediaInfo(media);
    }
    int shownRow = 0;
    const double switchRows = best(50, [&] {
        shownRow = 1 - shownRow;
        shown.setSelectedIDs({shown.items()[shownRow]->id()});
        window.repaint();
    });
    std::printf("detail panel, switching rows (3 replies, 40 media rows): %.2f ms\n", switchRows);
    return 0;
}
