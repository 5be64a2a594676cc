#include "Commands.h"
#include "Json.h"

#include "library/LibraryModel.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace tolvane::cli {

namespace {

// One row per line, so a listing of thousands of files stays readable and quick to write.
QString scanJson(const LibraryModel &model)
{
    QString json
        = QStringLiteral("{\"status\": %1, \"folder\": %2, \"items\": [")
              .arg(jsonString(model.statusText()),
                  jsonString(model.folderURL() ? std::optional(model.folderURL()->toLocalFile()) : std::nullopt));
    bool first = true;
    for (const MovieItemPtr &item : model.items()) {
        json += first ? QStringLiteral("\n  ") : QStringLiteral(",\n  ");
        first = false;
        json += QStringLiteral("{\"name\": ") + jsonString(item->originalName()) + QStringLiteral(", \"path\": ")
            + jsonString(item->url().toLocalFile()) + QStringLiteral(", \"stem\": ") + jsonString(item->searchStem())
            + QStringLiteral(", \"yearHint\": ") + jsonNumber(item->yearHint()) + QStringLiteral(", \"selected\": ")
            + (model.selectedIDs().contains(item->id()) ? QStringLiteral("true") : QStringLiteral("false"))
            + QLatin1Char('}');
    }
    json += first ? QStringLiteral("]}\n") : QStringLiteral("\n]}\n");
    return json;
}

QString scanText(const LibraryModel &model)
{
    QString text = model.statusText() + QLatin1Char('\n');
    for (const MovieItemPtr &item : model.items()) {
        const std::optional<int> year = item->yearHint();
        text += item->originalName() + QLatin1Char('\t') + item->searchStem() + QLatin1Char('\t')
            + (year ? QString::number(*year) : QStringLiteral("-")) + QLatin1Char('\n');
    }
    return text;
}

} // namespace

int runScan(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Takes the paths as one drop (folders are scanned recursively) and lists the video files found:\n"
        "the status line, then one line per file: name, TAB, search text, TAB, year or -."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON object instead of text."));
    parser.addOption(json);
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("PATH"), QStringLiteral("Video files and folders."), QStringLiteral("PATH..."));
    if (!parser.parse(QStringList{QStringLiteral("tolvane-cli scan")} + arguments)) {
        printError(QStringLiteral("tolvane-cli scan: %1\n").arg(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        return 0;
    }
    const QStringList paths = parser.positionalArguments();
    if (paths.isEmpty()) {
        printError(QStringLiteral("tolvane-cli scan: expected at least one PATH\n"));
        return 2;
    }

    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    LibraryModel model;
    model.addURLs(urls);
    printOut(parser.isSet(json) ? scanJson(model) : scanText(model));
    return 0;
}

} // namespace tolvane::cli
