// Looks ROWS rows (default 40) up through the real model, engines and transport against the fake
// services with no added latency, and sets the wall time beside the lower bound the DuckDuckGo rate
// gate allows; prints the CPU time per row. See bench/README.md for the bound and the target.
#include "BenchServices.h"

#include "core/FilePaths.h"
#include "library/BatchLookup.h"
#include "library/LibraryModel.h"
#include "lookup/LookupEngine.h"
#include "lookup/SearchRateGate.h"
#include "media/MediaProbe.h"

#include <QCoroTask>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace tolvane;
using Clock = SearchRateGate::Clock;
using Service = FakeServices::Service;

namespace {

/// One caller of a gate: when it came, the jitter it drew for the caller after it, and how long
/// the gate made it sleep.
struct GateCall {
    Clock::time_point entered;
    double jitter = 0;
    Clock::duration slept{};

    /// The slot the gate gave this caller; it leaves then, plus the timer's lateness.
    Clock::time_point slot() const { return entered + slept; }
};

/// A gate on the system clock and timers whose every call is recorded. The gate calls `now` on
/// entry, then draws the jitter, then sleeps if it must, all before its first suspension.
std::shared_ptr<SearchRateGate> recordingGate(std::shared_ptr<QList<GateCall>> calls)
{
    const SearchRateGate::Hooks system = SearchRateGate::systemHooks();
    SearchRateGate::Hooks hooks;
    hooks.now = [calls, system] {
        const Clock::time_point now = system.now();
        calls->append(GateCall{now, 0, {}});
        return now;
    };
    hooks.random = [calls, system] {
        const quint64 draw = system.random();
        calls->last().jitter = SearchRateGate::jitterSeconds(draw);
        return draw;
    };
    hooks.sleep = [calls, system](std::chrono::nanoseconds duration) {
        calls->last().slept = duration;
        return system.sleep(duration);
    };
    return std::make_shared<SearchRateGate>(hooks);
}

/// An engine whose searches pass a gate of their own.
class OwnGateEngine final : public LookupEngine {
public:
    OwnGateEngine(std::shared_ptr<LookupEngine> inner, std::shared_ptr<SearchRateGate> gate)
        : m_inner(std::move(inner))
        , m_gate(std::move(gate))
    {
    }
    SearchEngine engine() const override { return m_inner->engine(); }
    QCoro::Task<EngineReply> search(
        EngineRequest request, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation) override
    {
        lookup.gate = m_gate;
        return m_inner->search(std::move(request), std::move(lookup), std::move(cancellation));
    }

private:
    std::shared_ptr<LookupEngine> m_inner;
    std::shared_ptr<SearchRateGate> m_gate;
};

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto toSeconds = [](const timeval &time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    bench::useHome(home);
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(2, std::atoi(argv[1])) : 40;
    FakeServices services;
    bench::useFakeServices(services);

    const QDir library(home.filePath(QStringLiteral("films")));
    library.mkpath(QStringLiteral("."));
    QList<QUrl> urls;
    for (int i = 1; i <= rows; ++i) {
        const QString stem = QStringLiteral("Film %1").arg(i, 3, 10, QLatin1Char('0'));
        const int year = 1930 + i % 90;
        const QString titled = QStringLiteral("%1 (%2)").arg(stem).arg(year);
        services.scriptAI(stem, FakeServices::aiMovie(stem, year));
        services.scriptVK(stem, QList<FakeServices::Video>{{titled, -1, i, 5400}});
        services.scriptDuckDuckGoRow(stem,
            {{QStringLiteral("https://www.themoviedb.org/movie/%1").arg(1000 + i),
                titled + QStringLiteral(" — The Movie Database (TMDB)")}});
        QFile file(library.filePath(stem + QStringLiteral(".mkv")));
        if (!file.open(QIODevice::WriteOnly))
            return std::fprintf(stderr, "cannot create %s\n", qPrintable(file.fileName())), 1;
        urls.append(fileURL(QFile::encodeName(file.fileName())));
    }

    // The searches get a gate of their own so that its records hold nothing else; VK Video keeps
    // the lookup's gate, as separate keys of one gate never wait on each other anyway.
    auto searchCalls = std::make_shared<QList<GateCall>>();
    const std::shared_ptr<SearchRateGate> searchGate = recordingGate(searchCalls);
    MovieLookup lookup = MovieLookup::standard();
    lookup.gate = recordingGate(std::make_shared<QList<GateCall>>());
    LookupEngines engines = LookupEngines::standard();
    for (std::shared_ptr<LookupEngine> &engine : engines.engines) {
        if (engine->engine() == SearchEngine::duckDuckGo)
            engine = std::make_shared<OwnGateEngine>(engine, searchGate);
    }

    LibraryModel model;
    model.setLookup(lookup);
    model.setLookupEngines(engines);
    model.setMediaProbe(loadProps);

    const double cpuStart = cpuSeconds(RUSAGE_SELF);
    const double mainStart = cpuSeconds(RUSAGE_THREAD);
    const double childStart = cpuSeconds(RUSAGE_CHILDREN);
    const Clock::time_point start = Clock::now();
    QCoro::waitFor(model.addURLs(urls));
    // Done as the command line is: every lookup ended and every summary in.
    BatchLookup batch(&model);
    QCoro::waitFor(batch.lookUpAll());
    const Clock::time_point end = Clock::now();
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuStart;
    const double mainCPU = cpuSeconds(RUSAGE_THREAD) - mainStart;
    const double childCPU = cpuSeconds(RUSAGE_CHILDREN) - childStart;

    // Every row must have been through every engine, the link text naming the film (no page).
    int ready = 0;
    int searchMatches = 0;
    for (const MovieItemPtr &item : model.items()) {
        ready += item->status().kind() == LookupStatus::Kind::ready;
        for (const EngineReply &reply : item->engineReplies())
            searchMatches += reply.engine == SearchEngine::duckDuckGo && reply.status.isSuccess();
    }
    const QList<FakeServices::Received> searches = services.received(Service::duckDuckGo);
    if (ready != rows || searchMatches != rows || searches.size() != rows || searchCalls->size() != rows
        || int(services.received(Service::page).size()) != 0) {
        std::fprintf(stderr, "unexpected run: %d ready, %d search matches, %d searches, %d gate calls, %d pages\n",
            ready, searchMatches, int(searches.size()), int(searchCalls->size()), int(services.received(Service::page).size()));
        return 1;
    }

    // The interval the engine asks for, read back from the gate's own slots: a caller that slept
    // was given exactly its predecessor's slot + interval + jitter.
    const QList<GateCall> &calls = *searchCalls;
    double interval = -1;
    for (qsizetype k = 1; k < calls.size() && interval < 0; ++k) {
        if (calls[k].slept > Clock::duration::zero())
            interval = seconds(calls[k].slot() - calls[k - 1].slot()) - calls[k - 1].jitter;
    }
    if (interval < 0) {
        std::fprintf(stderr, "no search waited at the gate: too few rows to measure\n");
        return 1;
    }

    // The bound: the time to the first search and from the last one to the end, as measured, and
    // between them the gate's spacing with the jitters actually drawn.
    double spacing = 0;
    double idle = 0;
    // Why the next row was late: not yet started, still before its VK Video search, or between engines.
    std::array<int, 3> idleCauses{};
    std::array<double, 3> idleByCause{};
    QHash<QString, Clock::time_point> askedAt;
    QHash<QString, Clock::time_point> videoSearchedAt;
    for (const FakeServices::Received &seen : services.received(Service::ai))
        askedAt.insert(seen.key, seen.at);
    for (const FakeServices::Received &seen : services.received(Service::vkSearch))
        videoSearchedAt.insert(seen.key, seen.at);
    QList<FakeServices::Received> arrivals = searches;
    std::sort(arrivals.begin(), arrivals.end(), [](const auto &a, const auto &b) { return a.at < b.at; });
    for (qsizetype k = 0; k + 1 < calls.size(); ++k) {
        spacing += interval + calls[k].jitter;
        // The slot was free before the next search reached the gate: the gate stood idle.
        const Clock::time_point open = calls[k].slot()
            + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(interval + calls[k].jitter));
        if (calls[k + 1].entered <= open)
            continue;
        const double gap = seconds(calls[k + 1].entered - open);
        idle += gap;
        const QString stem = arrivals[k + 1].key.section(QLatin1Char(' '), 0, -2);
        const int cause = askedAt.value(stem) > open ? 0 : videoSearchedAt.value(stem) > open ? 1 : 2;
        ++idleCauses[cause];
        idleByCause[cause] += gap;
    }
    const double total = seconds(end - start);
    const double head = seconds(arrivals.first().at - start);
    const double tail = seconds(end - arrivals.last().at);
    const double bound = head + spacing + tail;
    const auto lateness = [&](qsizetype k) { return seconds(arrivals[k].at - calls[k].slot()) * 1000; };
    double meanJitter = 0;
    for (const GateCall &call : calls)
        meanJitter += call.jitter / double(calls.size());

    std::printf("rows                       %d (all ready; AI, VK Video and DuckDuckGo each asked once a row)\n", rows);
    std::printf("total wall time            %.3f s\n", total);
    std::printf("bound                      %.3f s\n", bound);
    std::printf("  start → first search     %.3f s (measured)\n", head);
    std::printf("  search spacing           %.3f s (%d gaps × %.3f s interval + drawn jitter, mean %.3f s)\n", spacing,
        int(calls.size() - 1), interval, meanJitter);
    std::printf("  last search → end        %.3f s (measured)\n", tail);
    std::printf("overhead                   %.3f s = %.2f %%\n", total - bound, (total - bound) / bound * 100);
    // VK Video's searches are spaced like DuckDuckGo's and come first, so the DuckDuckGo gate
    // sometimes waits for the next row to clear them; the rest is this program's own.
    const double own = total - bound - idleByCause[1];
    std::printf("  not caused by the VK gate %.3f s = %.2f %%\n", own, own / bound * 100);
    std::printf(
        "  gate idle                %.3f s over %d gaps\n", idle, int(idleCauses[0] + idleCauses[1] + idleCauses[2]));
    std::printf("    row not yet started    %.3f s (%d)\n", idleByCause[0], idleCauses[0]);
    std::printf("    row at VK Video gate   %.3f s (%d)\n", idleByCause[1], idleCauses[1]);
    std::printf("    row between engines    %.3f s (%d)\n", idleByCause[2], idleCauses[2]);
    // A search that reaches the server before its slot left early: the gate's minimum was not kept.
    double earliest = lateness(0);
    double latest = lateness(0);
    for (qsizetype k = 1; k < calls.size(); ++k) {
        earliest = std::min(earliest, lateness(k));
        latest = std::max(latest, lateness(k));
    }
    std::printf(
        "  slot to arrival          first %.1f ms, last %.1f ms (their difference counts); range %.1f to %.1f ms\n",
        lateness(0), lateness(calls.size() - 1), earliest, latest);
    std::printf("CPU per row                %.2f ms main thread, %.2f ms whole process, %.2f ms tools\n",
        mainCPU / rows * 1000, cpu / rows * 1000, childCPU / rows * 1000);
    std::printf("  (the process includes the fake services' threads; tools are the media probe's children)\n");
    return 0;
}
