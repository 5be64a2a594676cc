// Times the catalog link scan of result pages: throughput on a 1 MB page made of real result pages
// with catalog links swapped in, and the worst case over 5 MB hostile pages. See bench/README.md.
#include "HostilePages.h"

#include "engines/duckduckgo/CatalogLinks.h"
#include "engines/duckduckgo/CatalogPageText.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

using namespace tolvane;

namespace {

/// Real result pages, each copy with its results pointing at distinct catalog pages in the forms
/// the pages use (redirects) and plain ones, until the text reaches `bytes`.
QString realisticPage(const QString &fixtures, qsizetype bytes)
{
    QStringList sources;
    const QDir dir(fixtures + QStringLiteral("/duckduckgo"));
    for (const QString &name : dir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            sources.append(QString::fromUtf8(file.readAll()));
    }
    if (sources.isEmpty())
        return {};

    QString page;
    for (int copy = 0; page.size() < bytes; ++copy) {
        QString source = sources[copy % sources.size()];
        // Every third result link becomes a TMDB or Kinopoisk redirect, and a plain VK link is added.
        int result = 0;
        qsizetype at = 0;
        while ((at = source.indexOf(QStringLiteral("uddg=https%3A%2F%2F"), at)) >= 0) {
            at += 5;
            if (++result % 3 != 0)
                continue;
            const QString target = result % 2 ? QStringLiteral("https%3A%2F%2Fwww.themoviedb.org%2Fmovie%2F%1-film")
                                              : QStringLiteral("https%3A%2F%2Fwww.kinopoisk.ru%2Ffilm%2F%1%2F");
            const qsizetype end = source.indexOf(u'&', at);
            source.replace(at, end - at, target.arg(copy * 1000 + result));
        }
        page += source + QStringLiteral("<a href=\"https://vkvideo.ru/video-%1_1\">VK (2001)</a>").arg(copy);
    }
    return page;
}

template<typename Work> double medianMilliseconds(int runs, Work work)
{
    QList<double> samples;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        work();
        samples.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString fixtures = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TOLVANE_SHARED_FIXTURES);

    const QString page = realisticPage(fixtures, 1 << 20);
    if (page.isEmpty()) {
        std::printf("no result pages under %s/duckduckgo: skipping the throughput figure\n", qPrintable(fixtures));
    } else {
        qsizetype hits = 0;
        const double ms = medianMilliseconds(9, [&] { hits = extractCatalogHits(page).size(); });
        const double megabytes = double(page.toUtf8().size()) / 1e6;
        std::printf("realistic page: %.2f MB, %lld hits, %.1f ms: %.0f hits/s, %.1f MB/s\n", megabytes,
            static_cast<long long>(hits), ms, double(hits) / (ms / 1000), megabytes / (ms / 1000));
    }

    double worst = 0;
    for (const auto &[name, hostile] : hostile::pages(5 << 20)) {
        qsizetype hits = 0;
        const double linksMs = medianMilliseconds(3, [&] { hits = extractCatalogHits(hostile).size(); });
        const double titleMs = medianMilliseconds(3, [&] { (void)extractPageTitle(hostile); });
        worst = std::max(worst, linksMs);
        std::printf("hostile, %-34s %5.1f MB: links %7.1f ms (%lld hits), page title %7.1f ms\n", qPrintable(name),
            double(hostile.toUtf8().size()) / 1e6, linksMs, static_cast<long long>(hits), titleMs);
    }
    std::printf("worst hostile link scan: %.1f ms (target: well under 1000 ms)\n", worst);
    return 0;
}
