#include "Commands.h"

#include "library/LibraryModel.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tolvane::cli {

namespace {

QJsonObject itemJson(const LibraryModel &model, const MovieItem &item)
{
    const std::optional<int> year = item.yearHint();
    return QJsonObject{
        {QStringLiteral("name"), item.originalName()},
        {QStringLiteral("path"), item.url().toLocalFile()},
        {QStringLiteral("stem"), item.searchStem()},
        {QStringLiteral("yearHint"), year ? QJsonValue(*year) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("selected"), model.selectedIDs().contains(item.id())},
    };
}

QString scanJson(const LibraryModel &model)
{
    QJsonArray items;
    for (const MovieItemPtr &item : model.items())
        items.append(itemJson(model, *item));
    const QJsonObject root{
        {QStringLiteral("status"), model.statusText()},
        {QStringLiteral("folder"),
            model.folderURL() ? QJsonValue(model.folderURL()->toLocalFile()) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("items"), items},
    };
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
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
