#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

namespace tolvane {
class BrowserCookies;
class JsonWriter;
struct MediaInfoRow;
}

class QCommandLineOption;
class QCommandLineParser;

namespace tolvane::cli {

/// The command line's own texts, translated in the context "tolvane::cli". Command and option
/// names, settings keys and values and the placeholders (PATH, FILE, KEY, ...) stay as they are.
struct Cli {
    Q_DECLARE_TR_FUNCTIONS(tolvane::cli)
};

/// Each command takes its own arguments (after the command word) and returns the exit code; those
/// that read the browser's cookies share main()'s one reader.
int runScan(const QStringList &arguments);
int runSettings(const QStringList &arguments);
int runCookies(const QStringList &arguments, BrowserCookies &cookies);
int runProbe(const QStringList &arguments);
int runLookup(const QStringList &arguments, std::shared_ptr<BrowserCookies> cookies);
int runRename(const QStringList &arguments, std::shared_ptr<BrowserCookies> cookies);
int runHistory(const QStringList &arguments);
int runUndo(const QStringList &arguments);

/// Writes text as UTF-8 to standard output / standard error.
void printOut(const QString &text);
void printError(const QString &text);
void printOut(const QByteArray &utf8);
/// Prints "tolvane-cli COMMAND: message" (or "tolvane-cli: message" for no command) and a line
/// end to standard error.
void printFailure(const QString &command, const QString &message);
/// The --json option every command with a JSON output has.
QCommandLineOption jsonOption();
/// A file's summary as a JSON array of {"key", "value"} objects.
void writeMediaInfo(JsonWriter &json, const QList<MediaInfoRow> &rows);

/// Adds -h/--help to `parser` and parses `arguments` as those of `tolvane-cli COMMAND`. Returns
/// the exit code when the command must end here: 0 after printing the help (its usage line reads
/// "tolvane-cli COMMAND [options] …"), 2 after printing a usage error; none otherwise.
std::optional<int> parseCommand(QCommandLineParser &parser, const QString &command, const QStringList &arguments);

/// Keeps the exact bytes of the command line's words after the command word (main() does).
void setRawArguments(QList<QByteArray> words);
/// The positional arguments the parser found, with their exact bytes: QStringList arguments have
/// lost the bytes of a name that is not UTF-8. For commands whose options take no value; where
/// the raw words do not line up with `positional`, the text re-encoded.
QList<QByteArray> rawPositionalArguments(const QStringList &positional);

/// `path` made absolute against the working folder, on the bytes.
QByteArray absolutePath(const QByteArray &path);
/// File URLs for path arguments, each made absolute. A path that does not exist is named in one
/// line on standard error (after "tolvane-cli COMMAND: ") and left out; `anyMissing` tells so.
QList<QUrl> existingPathURLs(const QList<QByteArray> &paths, const QString &command, bool *anyMissing);

} // namespace tolvane::cli
