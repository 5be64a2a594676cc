#include "Commands.h"

#include "core/FilePaths.h"
#include "core/Json.h"
#include "core/Text.h"
#include "library/LibraryModel.h"

#include <QCommandLineParser>

namespace tolvane::cli {

namespace {

// Printed as it is written, a piece at a time: a listing of thousands of rows is mostly this, and a
// buffer of the whole listing cost more in fresh memory than in writing.
void printScanJson(const LibraryModel &model)
{
    constexpr qsizetype piece = 64 * 1024;
    // Measured once, when compiled, rather than once a row.
    constexpr QStringView nameKey = u"name", pathKey = u"path", stemKey = u"stem", yearKey = u"yearHint",
                          selectedKey = u"selected";
    const auto print = [](QByteArrayView text) { printOut(QByteArray::fromRawData(text.data(), text.size())); };
    JsonWriter json;
    json.reserve(piece + 1024);
    json.beginObject();
    json.key(u"status");
    json.value(model.statusText());
    json.key(u"folder");
    json.value(model.folderURL() ? std::optional(readableName(nativePath(*model.folderURL()))) : std::nullopt);
    json.key(u"items");
    json.beginArray();
    for (const MovieItemPtr &item : model.items()) {
        json.beginObject();
        json.key(nameKey);
        json.value(item->originalName());
        json.key(pathKey);
        // Valid UTF-8 decodes and encodes back to the same bytes (only a leading byte-order mark
        // would be lost, and a path starts with "/"): such a path is written without decoding.
        const QByteArray &path = item->nativePath();
        if (path.startsWith('/') && QByteArrayView(path).isValidUtf8())
            json.valueUtf8(path);
        else
            json.value(readableName(path));
        json.key(stemKey);
        json.value(item->searchStem());
        json.key(yearKey);
        const std::optional<int> year = item->yearHint();
        json.value(year ? std::optional<qint64>(*year) : std::nullopt);
        json.key(selectedKey);
        json.value(model.selectedIDs().contains(item->id()));
        json.endObject();
        if (json.pending().size() >= piece) {
            print(json.pending());
            json.drop();
        }
    }
    json.endArray();
    json.endObject();
    print(json.take());
}

QString scanText(const LibraryModel &model)
{
    QString text = terminalSafe(model.statusText()) + QLatin1Char('\n');
    for (const MovieItemPtr &item : model.items()) {
        const std::optional<int> year = item->yearHint();
        text += terminalSafe(item->originalName()) + QLatin1Char('\t') + terminalSafe(item->searchStem())
            + QLatin1Char('\t') + (year ? QString::number(*year) : QStringLiteral("-")) + QLatin1Char('\n');
    }
    return text;
}

} // namespace

int runScan(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        Cli::tr("Takes the paths as one drop (folders are scanned recursively) and lists the video files found:\n"
                "the status line, then one line per file: name, TAB, search text, TAB, year or -.\n"
                "A path that does not exist is named on standard error, and the command then exits with 1."));
    const QCommandLineOption json = jsonOption();
    parser.addOption(json);
    parser.addPositionalArgument(
        QStringLiteral("PATH"), Cli::tr("Video files and folders."), QStringLiteral("PATH..."));
    if (const std::optional<int> ended = parseCommand(parser, QStringLiteral("scan"), arguments))
        return *ended;
    const QList<QByteArray> paths = rawPositionalArguments(parser.positionalArguments());
    if (paths.isEmpty()) {
        printFailure(QStringLiteral("scan"), Cli::tr("expected at least one PATH"));
        return 2;
    }

    bool anyMissing = false;
    const QList<QUrl> urls = existingPathURLs(paths, QStringLiteral("scan"), &anyMissing);
    LibraryModel model;
    QCoro::waitFor(model.addURLs(urls));
    if (parser.isSet(json))
        printScanJson(model);
    else
        printOut(scanText(model));
    return anyMissing ? 1 : 0;
}

} // namespace tolvane::cli
