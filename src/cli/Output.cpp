#include "Commands.h"

#include "core/FilePaths.h"
#include "core/Json.h"
#include "core/Records.h"
#include "core/Text.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace tolvane::cli {

namespace {

QList<QByteArray> &rawArguments()
{
    static QList<QByteArray> words;
    return words;
}

} // namespace

void printOut(const QString &text)
{
    printOut(text.toUtf8());
}

void printOut(const QByteArray &utf8)
{
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
}

void printError(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

void printFailure(const QString &command, const QString &message)
{
    printError(QStringLiteral("tolvane-cli") + (command.isEmpty() ? QString() : u' ' + command) + QStringLiteral(": ")
        + message + u'\n');
}

QCommandLineOption jsonOption()
{
    return QCommandLineOption(QStringLiteral("json"), Cli::tr("Print one JSON object instead of text."));
}

std::optional<int> parseCommand(QCommandLineParser &parser, const QString &command, const QStringList &arguments)
{
    // Qt's own help option also offers --help-all, which would list Qt options the tool has not.
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help")}, Cli::tr("Displays help on commandline options."));
    parser.addOption(help);
    const QString name = QStringLiteral("tolvane-cli ") + command;
    if (!parser.parse(QStringList{name} + arguments)) {
        printError(QStringLiteral("%1: %2\n").arg(name, terminalSafe(parser.errorText())));
        return 2;
    }
    if (parser.isSet(help)) {
        // The usage line ("Usage: PROGRAM [options] ...", its word translated by Qt) names the
        // program as started, often a long path.
        QString text = parser.helpText();
        const QStringList started = QCoreApplication::arguments();
        const QString given = started.isEmpty() ? QString() : QStringLiteral(": ") + started.constFirst() + u' ';
        const qsizetype at = given.isEmpty() ? -1 : text.indexOf(given);
        if (at >= 0 && at < text.indexOf(u'\n'))
            text.replace(at + 2, given.size() - 3, name);
        printOut(text);
        return 0;
    }
    return std::nullopt;
}

void setRawArguments(QList<QByteArray> words)
{
    rawArguments() = std::move(words);
}

QList<QByteArray> rawPositionalArguments(const QStringList &positional)
{
    QList<QByteArray> raw;
    bool optionsEnded = false;
    for (const QByteArray &word : std::as_const(rawArguments())) {
        if (!optionsEnded && word == "--")
            optionsEnded = true;
        else if (optionsEnded || !word.startsWith('-') || word == "-")
            raw.append(word);
    }
    bool aligned = raw.size() == positional.size();
    for (qsizetype index = 0; aligned && index < raw.size(); ++index)
        aligned = QString::fromLocal8Bit(raw[index]) == positional[index];
    if (aligned)
        return raw;
    QList<QByteArray> encoded;
    for (const QString &word : positional)
        encoded.append(word.toLocal8Bit());
    return encoded;
}

QByteArray absolutePath(const QByteArray &path)
{
    if (path.startsWith('/'))
        return path;
    char directory[PATH_MAX];
    if (!::getcwd(directory, sizeof directory))
        return path;
    return QByteArray(directory) + '/' + path;
}

QList<QUrl> existingPathURLs(const QList<QByteArray> &paths, const QString &command, bool *anyMissing)
{
    QList<QUrl> urls;
    urls.reserve(paths.size());
    for (const QByteArray &path : paths) {
        const QByteArray absolute = absolutePath(path);
        struct stat info;
        if (::stat(absolute.constData(), &info) != 0) {
            const int error = errno;
            printFailure(command,
                QStringLiteral("%1: %2").arg(
                    terminalSafe(readableName(path)), QString::fromLocal8Bit(std::strerror(error))));
            *anyMissing = true;
            continue;
        }
        urls.append(fileURL(absolute));
    }
    return urls;
}

void writeMediaInfo(JsonWriter &json, const QList<MediaInfoRow> &rows)
{
    json.beginArray();
    for (const MediaInfoRow &row : rows) {
        json.beginObject();
        json.key(u"key");
        json.value(row.key);
        json.key(u"value");
        json.value(row.value);
        json.endObject();
    }
    json.endArray();
}

} // namespace tolvane::cli
