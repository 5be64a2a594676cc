#include "Commands.h"

#include "core/FilePaths.h"
#include "core/Json.h"
#include "core/Text.h"
#include "media/MediaProbe.h"
#include "media/ToolRunner.h"

#include <QCommandLineParser>
#include <QCoroTask>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace tolvane::cli {

namespace {

struct ProbedPath {
    QByteArray given; // as typed
    QByteArray path; // absolute
    ProbeReport report;
};

// Every probe is started before the first is awaited, so they run side by side on the probe pool;
// the results are still collected in argument order.
QCoro::Task<QList<ProbedPath>> probeAll(QList<QByteArray> given)
{
    QList<ProbedPath> probed;
    std::vector<QCoro::Task<ProbeReport>> running;
    running.reserve(size_t(given.size()));
    for (const QByteArray &path : given) {
        const QByteArray absolute = absolutePath(path);
        probed.append({path, absolute, {}});
        running.push_back(probeReport(absolute));
    }
    for (qsizetype index = 0; index < probed.size(); ++index)
        probed[index].report = co_await running[size_t(index)];
    co_return probed;
}

QString probeText(const QList<ProbedPath> &probed)
{
    QString text;
    for (const ProbedPath &file : probed) {
        if (file.report.error)
            continue;
        text += terminalSafe(readableName(file.path)) + QLatin1Char('\n');
        for (const MediaInfoRow &row : file.report.rows)
            text += QStringLiteral("  ") + terminalSafe(row.key) + QStringLiteral(": ") + terminalSafe(row.value)
                + QLatin1Char('\n');
    }
    return text;
}

QByteArray probeJson(const QList<ProbedPath> &probed)
{
    JsonWriter json;
    json.beginObject();
    json.key(u"items");
    json.beginArray();
    for (const ProbedPath &file : probed) {
        if (file.report.error)
            continue;
        json.beginObject();
        json.key(u"path");
        json.value(readableName(file.path));
        json.key(u"mediaInfo");
        writeMediaInfo(json, file.report.rows);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    return json.take();
}

/// The tools run in process groups of their own, out of reach of the terminal's Ctrl-C: on SIGINT
/// or SIGTERM their groups are ended here, and the command ends with 130 (143). The signals are
/// blocked before the probe threads start, so only this watcher receives them.
void endToolsOnSignal()
{
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGINT);
    sigaddset(&stopping, SIGTERM);
    if (::pthread_sigmask(SIG_BLOCK, &stopping, nullptr) != 0)
        return;
    std::thread([stopping] {
        int received = 0;
        if (::sigwait(&stopping, &received) == 0) {
            endRunningTools();
            ::_exit(128 + received);
        }
    }).detach();
}

} // namespace

int runProbe(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        Cli::tr("Prints the technical summary of each file as the app shows it, taken from mediainfo,\n"
                "else ffprobe, else libavformat: the file's path, then one \"  key: value\" line per row.\n"
                "A file that cannot be probed (missing, a folder, no media) is named on standard error,\n"
                "and the command then exits with status 1."));
    const QCommandLineOption json = jsonOption();
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("FILE"), Cli::tr("Media files."), QStringLiteral("FILE..."));
    if (const std::optional<int> ended = parseCommand(parser, QStringLiteral("probe"), arguments))
        return *ended;
    const QList<QByteArray> paths = rawPositionalArguments(parser.positionalArguments());
    if (paths.isEmpty()) {
        printFailure(QStringLiteral("probe"), Cli::tr("expected at least one FILE"));
        return 2;
    }

    endToolsOnSignal();
    const QList<ProbedPath> probed = QCoro::waitFor(probeAll(paths));
    bool failed = false;
    for (const ProbedPath &file : probed) {
        if (file.report.error) {
            printError(QStringLiteral("tolvane-cli probe: %1: %2\n")
                           .arg(terminalSafe(readableName(file.given)), terminalSafe(*file.report.error)));
            failed = true;
        }
    }
    if (parser.isSet(json))
        printOut(probeJson(probed));
    else
        printOut(probeText(probed));
    return failed ? 1 : 0;
}

} // namespace tolvane::cli
