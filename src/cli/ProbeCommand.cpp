#include "Commands.h"
#include "Json.h"

#include "core/FilePaths.h"
#include "core/Text.h"
#include "media/MediaProbe.h"

#include <QCommandLineParser>
#include <QCoroTask>
#include <QFile>

#include <unistd.h>

#include <climits>
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
    char directory[PATH_MAX];
    const QByteArray workingDirectory = ::getcwd(directory, sizeof directory) ? QByteArray(directory) : QByteArray();
    QList<ProbedPath> probed;
    std::vector<QCoro::Task<ProbeReport>> running;
    running.reserve(size_t(given.size()));
    for (const QByteArray &path : given) {
        const QByteArray absolute = path.startsWith('/') ? path : workingDirectory + '/' + path;
        probed.append({path, absolute, {}});
        running.push_back(probeReport(absolute));
    }
    for (qsizetype index = 0; index < probed.size(); ++index)
        probed[index].report = co_await running[size_t(index)];
    co_return probed;
}

/// The command's positional arguments with their exact bytes: QStringList arguments have lost the
/// bytes of a name that is not UTF-8. Taken from the kernel's copy of the command line when it
/// agrees with what the parser found, else re-encoded from the text.
QList<QByteArray> rawPaths(const QStringList &positional)
{
    QList<QByteArray> encoded;
    for (const QString &path : positional)
        encoded.append(QFile::encodeName(path));
    QFile cmdline(QStringLiteral("/proc/self/cmdline"));
    if (!cmdline.open(QIODevice::ReadOnly))
        return encoded;
    QList<QByteArray> words = cmdline.readAll().split('\0');
    if (!words.isEmpty() && words.constLast().isEmpty())
        words.removeLast();
    const qsizetype command = words.indexOf(QByteArray("probe"), 1);
    if (command < 0)
        return encoded;
    QList<QByteArray> raw;
    bool optionsEnded = false;
    for (const QByteArray &word : words.mid(command + 1)) {
        if (!optionsEnded && word == "--")
            optionsEnded = true;
        else if (optionsEnded || !word.startsWith('-') || word == "-")
            raw.append(word);
    }
    if (raw.size() != encoded.size())
        return encoded;
    for (qsizetype index = 0; index < raw.size(); ++index) {
        // A word the parser saw otherwise is not the same argument.
        if (QFile::decodeName(raw[index]) != positional[index])
            return encoded;
    }
    return raw;
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

QString probeJson(const QList<ProbedPath> &probed)
{
    QString json = QStringLiteral("{\n  \"items\": [");
    bool firstFile = true;
    for (const ProbedPath &file : probed) {
        if (file.report.error)
            continue;
        json += firstFile ? QStringLiteral("\n") : QStringLiteral(",\n");
        firstFile = false;
        json += QStringLiteral("    {\n      \"path\": ") + jsonString(readableName(file.path))
            + QStringLiteral(",\n      \"mediaInfo\": [");
        bool firstRow = true;
        for (const MediaInfoRow &row : file.report.rows) {
            json += firstRow ? QStringLiteral("\n") : QStringLiteral(",\n");
            firstRow = false;
            json += QStringLiteral("        {\n          \"key\": ") + jsonString(row.key)
                + QStringLiteral(",\n          \"value\": ") + jsonString(row.value) + QStringLiteral("\n        }");
        }
        json += firstRow ? QStringLiteral("]\n    }") : QStringLiteral("\n      ]\n    }");
    }
    json += firstFile ? QStringLiteral("]\n}\n") : QStringLiteral("\n  ]\n}\n");
    return json;
}

} // namespace

int runProbe(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the technical summary of each file as the app shows it, taken from mediainfo,\n"
                       "else ffprobe, else libavformat: the file's path, then one \"  key: value\" line per row.\n"
                       "A file that cannot be probed (missing, a folder, no media) is named on standard error,\n"
                       "and the command then exits with status 1."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON object instead of text."));
    parser.addOption(json);
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Media files."), QStringLiteral("FILE..."));
    if (!parser.parse(QStringList{QStringLiteral("tolvane-cli probe")} + arguments)) {
        printError(QStringLiteral("tolvane-cli probe: %1\n").arg(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        return 0;
    }
    const QList<QByteArray> paths = rawPaths(parser.positionalArguments());
    if (paths.isEmpty()) {
        printError(QStringLiteral("tolvane-cli probe: expected at least one FILE\n"));
        return 2;
    }

    const QList<ProbedPath> probed = QCoro::waitFor(probeAll(paths));
    bool failed = false;
    for (const ProbedPath &file : probed) {
        if (file.report.error) {
            printError(QStringLiteral("tolvane-cli probe: %1: %2\n")
                           .arg(terminalSafe(readableName(file.given)), terminalSafe(*file.report.error)));
            failed = true;
        }
    }
    printOut(parser.isSet(json) ? probeJson(probed) : probeText(probed));
    return failed ? 1 : 0;
}

} // namespace tolvane::cli
