// The longest the window's event loop stands still while eight lookups run through the real
// model, engines and transport against the fake services, the window shown with the first row in
// its detail panel. A 1 ms timer ticks throughout; the widest gap between ticks is the stall.
//   bench_stall [RUNS]   (default 5; the DuckDuckGo rate gate makes each run take seconds)

#include "BenchServices.h"

#include "core/FilePaths.h"
#include "library/LibraryModel.h"
#include "support/DesktopServices.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace tolvane;

int main(int argc, char **argv)
{
    QTemporaryDir home;
    bench::useHome(home);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    FakeServices services;
    bench::useFakeServices(services);
    const QDir library(home.filePath(QStringLiteral("films")));
    library.mkpath(QStringLiteral("."));
    QList<QUrl> urls;
    for (int i = 1; i <= 8; ++i) {
        const QString stem = QStringLiteral("Film %1").arg(i);
        const int year = 1960 + i;
        const QString titled = QStringLiteral("%1 (%2)").arg(stem).arg(year);
        services.scriptAI(stem, FakeServices::aiMovie(stem, year, {stem + QStringLiteral(" II")}));
        services.scriptVK(stem, QList<FakeServices::Video>{{titled, -1, i, 5400}, {stem, -1, 100 + i, 600}});
        services.scriptDuckDuckGoRow(stem,
            {{QStringLiteral("https://www.themoviedb.org/movie/%1").arg(1000 + i),
                titled + QStringLiteral(" — The Movie Database (TMDB)")}});
        QFile file(library.filePath(stem + QStringLiteral(".mkv")));
        if (!file.open(QIODevice::WriteOnly))
            return std::fprintf(stderr, "cannot create %s\n", qPrintable(file.fileName())), 1;
        urls.append(fileURL(QFile::encodeName(file.fileName())));
    }

    NoDesktopServices desktop;
    LibraryModel model;
    model.setDesktopServices(&desktop);
    MainWindow window(model, desktop);
    window.resize(1100, 700);
    window.show();
    QCoro::waitFor(model.addURLs(urls));

    QList<double> worst;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 widest = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            widest = std::max(widest, now - last);
            last = now;
        });
        QEventLoop loop;
        QObject::connect(&model, &LibraryModel::lookupsFinished, &loop, &QEventLoop::quit);
        // All eight selected: the panel shows the first and follows its replies as they come.
        QSet<QUuid> all;
        for (const MovieItemPtr &item : model.items())
            all.insert(item->id());
        model.setSelectedIDs(all);
        clock.start();
        tick.start();
        model.lookupSelected();
        loop.exec();
        tick.stop();
        const qsizetype ready = std::count_if(model.items().cbegin(), model.items().cend(),
            [](const MovieItemPtr &item) { return item->status().kind() == LookupStatus::Kind::ready; });
        if (ready != 8)
            return std::fprintf(stderr, "run %d: %lld of 8 rows ready\n", run, qlonglong(ready)), 1;
        worst.append(widest / 1e6);
        std::printf("run %d: 8 lookups in %.2f s, widest event-loop gap %.2f ms\n", run, clock.nsecsElapsed() / 1e9,
            widest / 1e6);
    }
    std::sort(worst.begin(), worst.end());
    std::printf("widest gap over %d runs: median %.2f ms, worst %.2f ms (target: under 16 ms)\n", runs,
        worst[worst.size() / 2], worst.last());
    return 0;
}
