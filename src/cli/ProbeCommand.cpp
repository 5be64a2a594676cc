#include "Commands.h"
#include "Json.h"

#include "media/MediaProbe.h"

#include <QCommandLineParser>
#include <QCoroTask>
#include <QFileInfo>

#include <vector>

namespace tolvane::cli {

namespace {

struct ProbedPath {
    QString path;
    QList<MediaInfoRow> rows;
};

// Every probe is started before the first is awaited, so they run side by side on the probe pool;
// the results are still collected in argument order.
QCoro::Task<QList<ProbedPath>> probeAll(QStringList paths)
{
    std::vector<QCoro::Task<QList<MediaInfoRow>>> running;
    running.reserve(size_t(paths.size()));
    for (const QString &path : paths)
        running.push_back(loadProps(path));
    QList<ProbedPath> probed;
    probed.reserve(paths.size());
    for (qsizetype index = 0; index < paths.size(); ++index) {
        QList<MediaInfoRow> rows = co_await running[size_t(index)];
        probed.append({paths[index], std::move(rows)});
    }
    co_return probed;
}

QString probeText(const QList<ProbedPath> &probed)
{
    QString text;
    for (const ProbedPath &file : probed) {
        text += file.path + QLatin1Char('\n');
        for (const MediaInfoRow &row : file.rows)
            text += QStringLiteral("  ") + row.key + QStringLiteral(": ") + row.value + QLatin1Char('\n');
    }
    return text;
}

QString probeJson(const QList<ProbedPath> &probed)
{
    QString json = QStringLiteral("{\"items\": [");
    bool firstFile = true;
    for (const ProbedPath &file : probed) {
        json += firstFile ? QStringLiteral("\n  ") : QStringLiteral(",\n  ");
        firstFile = false;
        json += QStringLiteral("{\"path\": ") + jsonString(file.path) + QStringLiteral(", \"mediaInfo\": [");
        bool firstRow = true;
        for (const MediaInfoRow &row : file.rows) {
            json += firstRow ? QString() : QStringLiteral(", ");
            firstRow = false;
            json += QStringLiteral("{\"key\": ") + jsonString(row.key) + QStringLiteral(", \"value\": ")
                + jsonString(row.value) + QLatin1Char('}');
        }
        json += QStringLiteral("]}");
    }
    json += firstFile ? QStringLiteral("]}\n") : QStringLiteral("\n]}\n");
    return json;
}

} // namespace

int runProbe(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the technical summary of each file as the app shows it, taken from mediainfo,\n"
                       "else ffprobe, else libavformat: the file's path, then one \"  key: value\" line per row."));
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
    QStringList paths;
    for (const QString &path : parser.positionalArguments())
        paths.append(QFileInfo(path).absoluteFilePath());
    if (paths.isEmpty()) {
        printError(QStringLiteral("tolvane-cli probe: expected at least one FILE\n"));
        return 2;
    }

    const QList<ProbedPath> probed = QCoro::waitFor(probeAll(paths));
    printOut(parser.isSet(json) ? probeJson(probed) : probeText(probed));
    return 0;
}

} // namespace tolvane::cli
