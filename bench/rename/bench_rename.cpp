// Renaming ROWS rows (default 10 000), each with two companion files, through the model's bulk
// rename: flat with the journal and without it, and in the Jellyfin layout with a folder per film
// (made by the rename), journalled. Each run gets a fresh folder (made untimed, on the same file
// system as the journal); the median of RUNS runs is printed.
#include "core/FilePaths.h"
#include "library/LibraryModel.h"
#include "library/RenameJournal.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane;

namespace {

void touch(const QByteArray &path)
{
    ::close(::open(path.constData(), O_WRONLY | O_CREAT, 0644));
}

double cpuMilliseconds()
{
    timespec now;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}
double layoutCpu = 0, flatCpu = 0; // the process's time (user and system) in the journalled runs

/// Milliseconds of one bulk rename of a fresh folder.
double run(const QString &root, int index, int rows, const QString &journal, LibraryLayout layout = LibraryLayout::flat)
{
    const QByteArray folder = QFile::encodeName(root) + "/run" + QByteArray::number(index);
    ::mkdir(folder.constData(), 0755);
    for (int row = 0; row < rows; ++row) {
        const QByteArray base = folder + "/Film." + QByteArray::number(row) + ".1080p";
        touch(base + ".mkv");
        touch(base + ".en.srt");
        touch(base + ".nfo");
    }
    LibraryModel model;
    model.setRenameJournalPath(journal);
    model.setNamingOptions({layout, true});
    QCoro::waitFor(model.addURLs({fileURL(folder)}));
    for (const MovieItemPtr &item : model.items()) {
        MovieMatch match;
        match.title = u"Title "_qs + item->searchStem();
        match.year = 1999;
        item->applyMatch(match, SearchEngine::yandexAI);
    }
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpuMilliseconds();
    model.renameAllReady();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!journal.isEmpty())
        (layout == LibraryLayout::flat ? flatCpu : layoutCpu) += cpuMilliseconds() - cpu;
    const qsizetype renamed = std::count_if(model.items().cbegin(), model.items().cend(),
        [](const MovieItemPtr &item) { return item->isRenamed(); });
    if (renamed != rows)
        std::fprintf(stderr, "only %lld of %d rows renamed\n", qlonglong(renamed), rows);
    return ms;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    QTemporaryDir root;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.path())); // companions on, as by default
    const QString journal = root.path() + u"/state/renames.jsonl"_qs;
    QList<double> with, without, layout;
    for (int index = 0; index < runs; ++index) {
        // Taking turns, in an order that turns too, so that all see the same state of the disk
        // and caches.
        for (int turn = 0; turn < 3; ++turn) {
            const int kind = (turn + index) % 3, number = 3 * index + turn;
            if (kind == 0)
                without.append(run(root.path(), number, rows, QString()));
            else if (kind == 1)
                with.append(run(root.path(), number, rows, journal));
            else
                layout.append(run(root.path(), number, rows, journal, LibraryLayout::jellyfin));
        }
    }
    const double plain = median(without), journalled = median(with), folders = median(layout);
    std::printf("%d rows, %d files each, median of %d runs\n", rows, 3, runs);
    std::printf("without journal: %8.1f ms\n", plain);
    std::printf("with journal:    %8.1f ms\n", journalled);
    std::printf("journal adds:    %8.1f %%  (target under 10 %%)\n", 100.0 * (journalled - plain) / plain);
    std::printf("jellyfin, a folder per film: %8.1f ms\n", folders);
    std::printf("layout / flat:   %8.2f x  (target at most 1.3 x; in process time %.2f x)\n", folders / journalled,
        layoutCpu / flatCpu);
    return 0;
}
