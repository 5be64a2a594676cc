#include "Commands.h"

#include "core/FilePaths.h"
#include "core/Json.h"
#include "core/Text.h"
#include "library/BatchLookup.h"
#include "library/CompanionFiles.h"
#include "library/NameBuilder.h"
#include "library/RenamePlan.h"
#include "media/MediaProbe.h"
#include "media/ToolRunner.h"
#include "settings/ApiKeyStore.h"
#include "settings/AppSettings.h"

#include <QCommandLineParser>
#include <QCoroTask>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

namespace tolvane::cli {

namespace {

// Ctrl-C and SIGTERM are turned into an event: the handler only writes a byte, the loop stops.
int interruptPipe[2] = {-1, -1};

void writeInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
}

/// Catches SIGINT and SIGTERM while it lives and runs `action` from the event loop for them.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void()> action)
        : m_action(std::move(action))
    {
        if (::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
            char byte;
            while (::read(interruptPipe[0], &byte, 1) > 0) { }
            m_interrupted = true;
            m_action();
        });
        struct sigaction handler = {};
        handler.sa_handler = writeInterrupt;
        ::sigaction(SIGINT, &handler, &m_previousInt);
        ::sigaction(SIGTERM, &handler, &m_previousTerm);
    }
    ~InterruptWatch()
    {
        if (!m_notifier)
            return;
        ::sigaction(SIGINT, &m_previousInt, nullptr);
        ::sigaction(SIGTERM, &m_previousTerm, nullptr);
        m_notifier.reset();
        ::close(interruptPipe[0]);
        ::close(interruptPipe[1]);
    }
    bool interrupted() const { return m_interrupted; }

private:
    std::function<void()> m_action;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previousInt = {};
    struct sigaction m_previousTerm = {};
    bool m_interrupted = false;
};

QString statusWord(const LookupStatus &status)
{
    switch (status.kind()) {
    case LookupStatus::Kind::idle:
        return QStringLiteral("idle");
    case LookupStatus::Kind::searching:
        return QStringLiteral("searching");
    case LookupStatus::Kind::ready:
        return QStringLiteral("ready");
    case LookupStatus::Kind::failed:
        return QStringLiteral("failed");
    }
    return {};
}

std::optional<qint64> number(std::optional<int> value)
{
    return value ? std::optional<qint64>(*value) : std::nullopt;
}

void writeMatch(JsonWriter &json, const MovieMatch &match)
{
    json.beginObject();
    json.key(u"title");
    json.value(match.title);
    json.key(u"year");
    json.value(number(match.year));
    json.key(u"pageURL");
    json.value(match.pageURL ? std::optional(match.pageURL->toString()) : std::nullopt);
    json.key(u"site");
    json.value(rawValue(match.site));
    json.key(u"sourceQuery");
    json.value(match.sourceQuery);
    json.key(u"notes");
    json.value(match.notes);
    json.key(u"altTitles");
    json.beginArray();
    for (const QString &title : match.altTitles)
        json.value(title);
    json.endArray();
    json.key(u"selectedAltTitle");
    json.value(match.selectedAltTitle);
    json.endObject();
}

void writeReply(JsonWriter &json, const EngineReply &reply)
{
    static const QString statuses[] = {QStringLiteral("pending"), QStringLiteral("success"), QStringLiteral("failed")};
    json.beginObject();
    json.key(u"engine");
    json.value(rawValue(reply.engine));
    json.key(u"status");
    json.value(statuses[int(reply.status.kind())]);
    json.key(u"summary");
    json.value(replySummary(reply));
    json.key(u"message");
    json.value(reply.status.kind() == EngineReplyStatus::Kind::failed ? std::optional(reply.status.message())
                                                                      : std::nullopt);
    json.key(u"match");
    if (reply.status.match())
        writeMatch(json, *reply.status.match());
    else
        json.null();
    json.key(u"candidates");
    json.beginArray();
    for (const MovieMatch &candidate : reply.candidates)
        writeMatch(json, candidate);
    json.endArray();
    json.endObject();
}

/// A row's rename as shown: its plan, made before anything moved, when the row was (or would be)
/// renamed or is already named.
struct ShownRename {
    const RenameOutcome *outcome = nullptr;
    const PlannedRename *plan = nullptr;

    /// "alreadyNamed" is the command line's word for a row the plan found in place.
    QString word() const
    {
        return plan && plan->alreadyNamed ? QStringLiteral("alreadyNamed") : rawValue(outcome->kind);
    }
    /// word() as the text output shows it, translated.
    QString shownWord() const
    {
        //: A rename's outcome in the text output, "rename: OUTCOME → NAME": the file already has the name
        if (plan && plan->alreadyNamed)
            return Cli::tr("alreadyNamed");
        switch (outcome->kind) {
        case RenameOutcome::Kind::renamed:
            return Cli::tr("renamed");
        case RenameOutcome::Kind::planned:
            //: A rename's outcome in a dry run: to be renamed
            return Cli::tr("planned");
        case RenameOutcome::Kind::failed:
            return Cli::tr("failed");
        case RenameOutcome::Kind::skipped:
            return Cli::tr("skipped");
        case RenameOutcome::Kind::notReached:
            return Cli::tr("not reached");
        }
        return word();
    }
    /// Only a row renamed, or to be renamed, shows what its rename makes, moves and writes.
    bool moves() const
    {
        return plan && (outcome->kind == RenameOutcome::Kind::renamed || outcome->kind == RenameOutcome::Kind::planned);
    }
    QList<RenameStep> steps() const { return moves() ? plan->steps : QList<RenameStep>(); }
    QList<CompanionMove> companions() const { return moves() ? plan->companions : QList<CompanionMove>(); }
    /// Where the step's file or folder goes, relative to the row's folder.
    QString relative(const RenameStep &step) const
    {
        const QByteArray folder = nativeFolder(outcome->item->nativePath()) + '/';
        const QByteArray path = step.to.startsWith(folder) ? step.to.mid(folder.size()) : step.to;
        return readableName(path) + (step.kind == RenameStep::Kind::makeFolder ? QStringLiteral("/") : QString());
    }
    /// The made folder and the written file, relative to the row's folder; empty for none.
    QString made(RenameStep::Kind kind) const
    {
        for (const RenameStep &step : steps())
            if (step.kind == kind)
                return relative(step);
        return {};
    }
};

std::optional<QString> unlessEmpty(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional(text);
}

void writeItem(JsonWriter &json, const LibraryModel &model, const MovieItem &item, const ShownRename *rename)
{
    json.beginObject();
    json.key(u"name");
    json.value(item.originalName());
    json.key(u"path");
    json.value(readableName(item.nativePath()));
    json.key(u"stem");
    json.value(item.searchStem());
    json.key(u"yearHint");
    json.value(number(item.yearHint()));
    json.key(u"selected");
    json.value(model.selectedIDs().contains(item.id()));
    json.key(u"status");
    json.value(statusWord(item.status()));
    json.key(u"message");
    json.value(
        item.status().kind() == LookupStatus::Kind::failed ? std::optional(item.status().message()) : std::nullopt);
    json.key(u"proposedName");
    json.value(item.proposedName());
    json.key(u"proposedPath");
    json.value(unlessEmpty(item.proposedPath()));
    json.key(u"chosenEngine");
    json.value(item.chosenEngine() ? std::optional(rawValue(*item.chosenEngine())) : std::nullopt);
    json.key(u"replies");
    json.beginArray();
    for (const EngineReply &reply : item.engineReplies())
        writeReply(json, reply);
    json.endArray();
    json.key(u"mediaInfo");
    writeMediaInfo(json, item.mediaInfo());
    if (rename) {
        const RenameOutcome *outcome = rename->outcome;
        json.key(u"rename");
        json.beginObject();
        json.key(u"outcome");
        json.value(rename->word());
        json.key(u"from");
        json.value(item.originalName());
        json.key(u"to");
        json.value(outcome->targetName);
        json.key(u"message");
        json.value(outcome->message);
        json.key(u"folder");
        json.value(unlessEmpty(rename->made(RenameStep::Kind::makeFolder)));
        json.key(u"nfo");
        json.value(unlessEmpty(rename->made(RenameStep::Kind::writeFile)));
        json.key(u"companions");
        json.beginArray();
        for (const CompanionMove &move : rename->companions()) {
            json.beginObject();
            json.key(u"from");
            json.value(readableName(nativeFileName(move.from)));
            json.key(u"to");
            json.value(readableName(nativeFileName(move.to)));
            json.endObject();
        }
        json.endArray();
        json.endObject();
    }
    json.endObject();
}

// Every outside text (titles, service errors, file names) is made terminal-safe.
QString itemText(const MovieItem &item)
{
    QString text = terminalSafe(item.originalName()) + QLatin1Char('\n');
    //: A row's lookup status in the text output of lookup and rename; keep the two leading spaces
    text += Cli::tr("  status: %1").arg(terminalSafe(item.statusDisplayText())) + QLatin1Char('\n');
    const QString path = item.proposedPath();
    //: The name a row's lookup proposes, or -; keep the two leading spaces
    text
        += Cli::tr("  proposed: %1").arg(terminalSafe(path.isEmpty() ? QStringLiteral("-") : path)) + QLatin1Char('\n');
    for (const EngineReply &reply : item.engineReplies())
        text += QStringLiteral("  ") + rawValue(reply.engine) + QStringLiteral(": ") + terminalSafe(replySummary(reply))
            + QLatin1Char('\n');
    return text;
}

QString outcomeText(const ShownRename &rename)
{
    const RenameOutcome &outcome = *rename.outcome;
    //: A row's rename outcome; keep the two leading spaces
    QString text = Cli::tr("  rename: %1").arg(rename.shownWord());
    if (outcome.targetName)
        text += QStringLiteral(" → ") + terminalSafe(*outcome.targetName);
    if (outcome.message)
        text += QStringLiteral(" (") + terminalSafe(*outcome.message) + QLatin1Char(')');
    text += QLatin1Char('\n');
    // In the order they are made: the folder first, then the moves, then the file written.
    for (const RenameStep &step : rename.steps()) {
        if (step.kind == RenameStep::Kind::makeFolder)
            //: The folder a rename makes; keep the four leading spaces
            text += Cli::tr("    make: %1").arg(terminalSafe(rename.relative(step))) + QLatin1Char('\n');
    }
    for (const CompanionMove &move : rename.companions())
        //: A file that moves with the video (subtitles, .nfo, images); keep the four leading spaces
        text += Cli::tr("    with: %1 → %2")
                    .arg(terminalSafe(readableName(nativeFileName(move.from))),
                        terminalSafe(readableName(nativeFileName(move.to))))
            + QLatin1Char('\n');
    for (const RenameStep &step : rename.steps()) {
        if (step.kind == RenameStep::Kind::writeFile)
            //: The .nfo file a rename writes; keep the four leading spaces
            text += Cli::tr("    write: %1").arg(terminalSafe(rename.relative(step))) + QLatin1Char('\n');
    }
    return text;
}

/// What the rows' lookups will miss, told once rather than in every row's AI reply.
void noteSkippedAgent()
{
    const struct {
        QString value, key, placeholder;
        const char *missing;
    } needed[] = {
        {AppSettings::yandexAPIKey(), AppSettings::yandexAIAPIKey, QStringLiteral("KEY"),
            QT_TRANSLATE_NOOP("tolvane::cli", "the AI agent is skipped: no API key is set; store one with “%1”")},
        {AppSettings::yandexFolderID(), AppSettings::yandexAIFolderID, QStringLiteral("FOLDER"),
            QT_TRANSLATE_NOOP("tolvane::cli", "the AI agent is skipped: no folder ID is set; store one with “%1”")},
        {AppSettings::yandexPromptID(), AppSettings::yandexAIPromptID, QStringLiteral("PROMPT"),
            QT_TRANSLATE_NOOP("tolvane::cli", "the AI agent is skipped: no prompt ID is set; store one with “%1”")},
    };
    for (const auto &setting : needed) {
        if (setting.value.trimmed().isEmpty()) {
            printFailure({},
                Cli::tr(setting.missing)
                    .arg(QStringLiteral("tolvane-cli settings %1 %2").arg(setting.key, setting.placeholder)));
            return;
        }
    }
}

struct Options {
    bool json = false;
    bool rename = false;
    bool dryRun = false;
    QList<QByteArray> paths;
    std::optional<LibraryLayout> layout; ///< for this run, over the setting
};

/// Leaves at once: cancelled requests are still being torn down on the network thread and probes
/// may still run on the pool, so the static destructors would race them. Nothing is half done.
[[noreturn]] void leaveInterrupted(const QString &message)
{
    endRunningTools();
    printFailure({}, message);
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(130);
}

QCoro::Task<int> lookUpAndPrint(Options options, std::shared_ptr<BrowserCookies> cookies)
{
    const QString command = options.rename ? QStringLiteral("rename") : QStringLiteral("lookup");
    bool anyMissing = false;
    const QList<QUrl> urls = existingPathURLs(options.paths, command, &anyMissing);

    // The key may live in the keyring; a locked one nobody unlocks must not hang a script.
    co_await ApiKeyStore::load(std::chrono::seconds(5));
    LibraryModel model;
    model.setMediaProbe(loadProps);
    model.setLookup(MovieLookup::standard(std::move(cookies)));
    if (options.layout)
        model.setNamingOptions({*options.layout, AppSettings::filmFolders()});
    co_await model.addURLs(urls);
    BatchLookup batch(&model);
    InterruptWatch interrupt([&batch] { batch.cancel(); });

    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    QObject::connect(&batch, &BatchLookup::progressChanged, &batch, [&batch, showProgress] {
        if (showProgress)
            printError(
                QStringLiteral("\r\x1b[K") + Cli::tr("%1 / %2 looked up").arg(batch.rowsDone()).arg(batch.rowCount()));
    });
    if (!model.items().isEmpty())
        noteSkippedAgent();
    if (showProgress && !model.items().isEmpty())
        printError(QStringLiteral("\r\x1b[K") + Cli::tr("%1 / %2 looked up").arg(0).arg(model.items().size()));
    const bool completed = co_await batch.lookUpAll();
    if (showProgress && !model.items().isEmpty())
        printError(QStringLiteral("\n"));
    if (!completed)
        leaveInterrupted(Cli::tr("interrupted; nothing was renamed"));

    // Remembering each row as it was: a rename replaces the row.
    const QList<MovieItemPtr> rows = model.items();
    QList<RenameOutcome> outcomes;
    // Planned before anything moves, for what each row's rename makes, moves and writes.
    const QList<PlannedRename> planList
        = options.rename ? planRenames(rows, RenameOptions::fromSettings()) : QList<PlannedRename>();
    QHash<const MovieItem *, const PlannedRename *> plans;
    for (const PlannedRename &plan : planList)
        plans.insert(plan.item.get(), &plan);
    const auto shown = [&](qsizetype i) { return ShownRename{&outcomes[i], plans.value(rows[i].get())}; };
    if (options.rename && options.dryRun) {
        outcomes = batch.renamePlan();
    } else if (options.rename) {
        // The whole run is one batch of the journal: one undo takes it back.
        model.beginRenameBatch(rows);
        outcomes = co_await batch.renameAll();
        model.endRenameBatch();
    }

    if (options.json) {
        JsonWriter json;
        json.beginObject();
        json.key(u"status");
        json.value(model.statusText());
        if (options.rename) {
            json.key(u"dryRun");
            json.value(options.dryRun);
        }
        json.key(u"items");
        json.beginArray();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const ShownRename rename = options.rename ? shown(i) : ShownRename();
            writeItem(json, model, *rows[i], options.rename ? &rename : nullptr);
        }
        json.endArray();
        json.endObject();
        printOut(json.take());
    } else {
        QString text;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            text += itemText(*rows[i]);
            if (options.rename)
                text += outcomeText(shown(i));
        }
        printOut(text + terminalSafe(model.statusText()) + QLatin1Char('\n'));
    }

    const auto count = [&outcomes](RenameOutcome::Kind kind) {
        return std::count_if(outcomes.cbegin(), outcomes.cend(),
            [kind](const RenameOutcome &outcome) { return outcome.kind == kind; });
    };
    if (interrupt.interrupted()) {
        std::fflush(stdout);
        leaveInterrupted(Cli::tr("interrupted; %1 renamed, %2 left under their names")
                             .arg(count(RenameOutcome::Kind::renamed))
                             .arg(count(RenameOutcome::Kind::notReached)));
    }
    if (anyMissing)
        co_return 1;
    // A file left under its old name, or a row with no name to give it, is a failure a script
    // must be able to see: a rename whose lookups all failed renamed nothing.
    const bool lookupFailed = std::any_of(outcomes.cbegin(), outcomes.cend(), [](const RenameOutcome &outcome) {
        return outcome.kind == RenameOutcome::Kind::skipped && outcome.item->status().kind() == LookupStatus::Kind::failed;
    });
    if (options.rename)
        co_return count(RenameOutcome::Kind::failed) > 0 || lookupFailed ? 1 : 0;
    const bool allNamed
        = std::all_of(rows.cbegin(), rows.cend(), [](const MovieItemPtr &row) { return row->proposedName().has_value(); });
    co_return allNamed ? 0 : 1;
}

std::optional<Options> parse(const QString &command, const QStringList &arguments, int *exitCode)
{
    const bool rename = command == QLatin1String("rename");
    QCommandLineParser parser;
    parser.setApplicationDescription(rename
            ? Cli::tr("Looks every video file up, then renames those with a proposed name (in a server\n"
                      "layout, into the film's own folder unless filmFolders is false), with the subtitles,\n"
                      ".nfo and image files that share the video's name (unless the setting\n"
                      "moveCompanionFiles is false), and writes an .nfo file when writeNfo is true. A file\n"
                      "already named so is left as it is. Every run is journalled: \"tolvane-cli undo\" takes it\n"
                      "back. An existing file is never replaced. Exits with 1 when a file could not be\n"
                      "renamed (or, with --dry-run, would not be), its lookup failed or a path does not\n"
                      "exist, with 130 when interrupted: during the lookups nothing is renamed, during the\n"
                      "renames the one in progress completes.")
            : Cli::tr("Looks every video file up through the AI agent, VK Video and DuckDuckGo and shows\n"
                      "each file's replies and proposed name. Exits with 1 when a file ends without a\n"
                      "proposed name or a path does not exist, with 130 when interrupted."));
    const QCommandLineOption json = jsonOption();
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), Cli::tr("Show the planned renames only."));
    const QCommandLineOption layout(QStringLiteral("layout"),
        Cli::tr(
            "Name the films in LAYOUT (flat, jellyfin, plex or kodi) for this run, over the setting libraryLayout."),
        QStringLiteral("LAYOUT"));
    parser.addOption(json);
    parser.addOption(layout);
    if (rename)
        parser.addOption(dryRun);
    parser.addPositionalArgument(
        QStringLiteral("PATH"), Cli::tr("Video files and folders."), QStringLiteral("PATH..."));
    if (const std::optional<int> ended = parseCommand(parser, command, arguments)) {
        *exitCode = *ended;
        return std::nullopt;
    }
    const QList<QByteArray> paths = rawPositionalArguments(parser.positionalArguments());
    if (paths.isEmpty()) {
        printFailure(command, Cli::tr("expected at least one PATH"));
        *exitCode = 2;
        return std::nullopt;
    }
    std::optional<LibraryLayout> chosenLayout;
    if (parser.isSet(layout)) {
        chosenLayout = layoutFromKey(parser.value(layout).trimmed());
        if (!chosenLayout) {
            printFailure(command,
                Cli::tr("--layout expects flat, jellyfin, plex or kodi, not “%1”")
                    .arg(terminalSafe(parser.value(layout))));
            *exitCode = 2;
            return std::nullopt;
        }
    }
    return Options{parser.isSet(json), rename, rename && parser.isSet(dryRun), paths, chosenLayout};
}

int run(const QString &command, const QStringList &arguments, std::shared_ptr<BrowserCookies> cookies)
{
    int exitCode = 0;
    const std::optional<Options> options = parse(command, arguments, &exitCode);
    return options ? QCoro::waitFor(lookUpAndPrint(*options, std::move(cookies))) : exitCode;
}

} // namespace

int runLookup(const QStringList &arguments, std::shared_ptr<BrowserCookies> cookies)
{
    return run(QStringLiteral("lookup"), arguments, std::move(cookies));
}

int runRename(const QStringList &arguments, std::shared_ptr<BrowserCookies> cookies)
{
    return run(QStringLiteral("rename"), arguments, std::move(cookies));
}

} // namespace tolvane::cli
