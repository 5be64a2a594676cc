#include "Commands.h"
#include "Json.h"

#include "library/LibraryModel.h"
#include "library/NameBuilder.h"
#include "media/MediaProbe.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace tolvane::cli {

namespace {

// Ctrl-C is turned into an event: the handler only writes a byte, the event loop cancels.
int interruptPipe[2] = {-1, -1};

void writeInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
}

/// Watches SIGINT while it lives; `interrupted()` tells whether one came.
class InterruptWatch {
public:
    InterruptWatch()
    {
        if (::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
            char byte;
            while (::read(interruptPipe[0], &byte, 1) > 0) { }
            m_interrupted = true;
            if (m_onInterrupt)
                m_onInterrupt();
        });
        struct sigaction action = {};
        action.sa_handler = writeInterrupt;
        ::sigaction(SIGINT, &action, &m_previous);
    }
    ~InterruptWatch()
    {
        if (!m_notifier)
            return;
        ::sigaction(SIGINT, &m_previous, nullptr);
        m_notifier.reset();
        ::close(interruptPipe[0]);
        ::close(interruptPipe[1]);
    }
    void onInterrupt(std::function<void()> action) { m_onInterrupt = std::move(action); }
    bool interrupted() const { return m_interrupted; }

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_previous = {};
    std::function<void()> m_onInterrupt;
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

QJsonValue orNull(const std::optional<QString> &text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QJsonObject matchJson(const MovieMatch &match)
{
    return {
        {QStringLiteral("title"), match.title},
        {QStringLiteral("year"), match.year ? QJsonValue(*match.year) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("pageURL"), orNull(match.pageURL ? std::optional(match.pageURL->toString()) : std::nullopt)},
        {QStringLiteral("site"), rawValue(match.site)},
        {QStringLiteral("sourceQuery"), match.sourceQuery},
        {QStringLiteral("notes"), orNull(match.notes)},
        {QStringLiteral("altTitles"), QJsonArray::fromStringList(match.altTitles)},
        {QStringLiteral("selectedAltTitle"), orNull(match.selectedAltTitle)},
    };
}

QJsonObject replyJson(const EngineReply &reply)
{
    static const QString statuses[] = {QStringLiteral("pending"), QStringLiteral("success"), QStringLiteral("failed")};
    QJsonArray candidates;
    for (const MovieMatch &candidate : reply.candidates)
        candidates.append(matchJson(candidate));
    const bool failed = reply.status.kind() == EngineReplyStatus::Kind::failed;
    return {
        {QStringLiteral("engine"), rawValue(reply.engine)},
        {QStringLiteral("status"), statuses[int(reply.status.kind())]},
        {QStringLiteral("summary"), replySummary(reply)},
        {QStringLiteral("message"), failed ? QJsonValue(reply.status.message()) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("match"),
            reply.status.match() ? QJsonValue(matchJson(*reply.status.match())) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("candidates"), candidates},
    };
}

QJsonObject itemJson(const LibraryModel &model, const MovieItem &item)
{
    QJsonArray replies;
    for (const EngineReply &reply : item.engineReplies())
        replies.append(replyJson(reply));
    QJsonArray mediaInfo;
    for (const MediaInfoRow &row : item.mediaInfo())
        mediaInfo.append(QJsonObject{{QStringLiteral("key"), row.key}, {QStringLiteral("value"), row.value}});
    const bool failed = item.status().kind() == LookupStatus::Kind::failed;
    return {
        {QStringLiteral("name"), item.originalName()},
        {QStringLiteral("path"), item.url().toLocalFile()},
        {QStringLiteral("stem"), item.searchStem()},
        {QStringLiteral("yearHint"), item.yearHint() ? QJsonValue(*item.yearHint()) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("selected"), model.selectedIDs().contains(item.id())},
        {QStringLiteral("status"), statusWord(item.status())},
        {QStringLiteral("message"), failed ? QJsonValue(item.status().message()) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("proposedName"), orNull(item.proposedName())},
        {QStringLiteral("chosenEngine"),
            item.chosenEngine() ? QJsonValue(rawValue(*item.chosenEngine())) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("replies"), replies},
        {QStringLiteral("mediaInfo"), mediaInfo},
    };
}

QString itemText(const MovieItem &item)
{
    QString text = item.originalName() + QLatin1Char('\n');
    text += QStringLiteral("  status: ") + item.statusDisplayText() + QLatin1Char('\n');
    text += QStringLiteral("  proposed: ") + item.proposedName().value_or(QStringLiteral("-")) + QLatin1Char('\n');
    for (const EngineReply &reply : item.engineReplies())
        text += QStringLiteral("  ") + rawValue(reply.engine) + QStringLiteral(": ") + replySummary(reply)
            + QLatin1Char('\n');
    return text;
}

/// What happened to one row when renaming.
struct RenameOutcome {
    QString outcome; // renamed, planned, failed, skipped
    QString from;
    std::optional<QString> to;
    std::optional<QString> message;
};

QString outcomeText(const RenameOutcome &outcome)
{
    QString text = QStringLiteral("  rename: ") + outcome.outcome;
    if (outcome.to)
        text += QStringLiteral(" → ") + *outcome.to;
    if (outcome.message)
        text += QStringLiteral(" (") + *outcome.message + QLatin1Char(')');
    return text + QLatin1Char('\n');
}

struct Options {
    bool json = false;
    bool rename = false;
    bool dryRun = false;
    QStringList paths;
};

/// Looks every row up, waits for the lookups and the media summaries, and prints; with `rename`
/// it then renames the ready rows (or plans them). Returns the exit code: 1 when a rename failed
/// (or would fail), else 0.
int lookUpAndPrint(const Options &options)
{
    LibraryModel model;
    model.setMediaProbe(loadProps);
    QList<QUrl> urls;
    for (const QString &path : options.paths)
        urls.append(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    model.addURLs(urls);
    model.setSelectedIDs({});

    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    const qsizetype total = model.items().size();
    // Rows still looked up and rows still without a summary, kept up to date by the rows' signals
    // so that each change costs the same however many rows there are.
    QSet<const MovieItem *> searching;
    QSet<const MovieItem *> unprobed;
    QEventLoop loop;
    const auto isDone = [&] {
        return model.activeLookupCount() == 0 && model.pendingLookupIDs().isEmpty() && searching.isEmpty()
            && unprobed.isEmpty();
    };
    const auto check = [&] {
        if (showProgress)
            printError(QStringLiteral("\r%1 / %2 looked up").arg(total - searching.size()).arg(total));
        if (isDone())
            loop.quit();
    };
    for (const MovieItemPtr &item : model.items()) {
        const MovieItem *row = item.get();
        unprobed.insert(row);
        QObject::connect(row, &MovieItem::statusChanged, &loop, [&, row] {
            if (row->status().kind() == LookupStatus::Kind::searching)
                searching.insert(row);
            else
                searching.remove(row);
            check();
        });
        QObject::connect(row, &MovieItem::mediaInfoChanged, &loop, [&, row] {
            if (!row->mediaInfo().isEmpty())
                unprobed.remove(row);
            check();
        });
    }
    QObject::connect(&model, &LibraryModel::lookupsFinished, &loop, check);

    InterruptWatch interrupt;
    interrupt.onInterrupt([&] {
        model.cancelAllLookups();
        loop.quit();
    });
    model.lookupSelected();
    if (!isDone())
        loop.exec();
    if (showProgress)
        printError(QStringLiteral("\n"));
    if (interrupt.interrupted()) {
        printError(QStringLiteral("tolvane-cli: interrupted; nothing was renamed\n"));
        // The cancelled requests are still being torn down on Qt's network thread (and probes may
        // still run on the pool); running the static destructors now would race them. Nothing is
        // left half done, as no rename has started, so leave without them.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(130);
    }

    // Plan or rename, remembering each row as it was: a rename replaces the row.
    const QList<MovieItemPtr> rows = model.items();
    QList<RenameOutcome> outcomes;
    if (options.rename) {
        QList<bool> planned;
        for (const MovieItemPtr &row : rows)
            planned.append(row->canRename());
        if (!options.dryRun)
            model.renameAllReady();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const MovieItem &row = *rows[i];
            RenameOutcome outcome{{}, row.originalName(), row.proposedName(), std::nullopt};
            if (!planned[i]) {
                outcome.outcome = QStringLiteral("skipped");
                if (row.status().kind() == LookupStatus::Kind::failed)
                    outcome.message = row.status().message();
                else
                    outcome.message
                        = row.proposedName() ? QStringLiteral("already so named") : QStringLiteral("no match");
            } else if (options.dryRun) {
                // The plan says what a real run would meet: a name already taken fails there.
                const QString target = QFileInfo(row.url().toLocalFile()).dir().filePath(*row.proposedName());
                if (QFileInfo::exists(target)) {
                    outcome.outcome = QStringLiteral("failed");
                    outcome.message = QStringLiteral("Target exists: ") + *row.proposedName();
                } else {
                    outcome.outcome = QStringLiteral("planned");
                }
            } else if (!model.items().contains(rows[i])) {
                outcome.outcome = QStringLiteral("renamed");
            } else {
                outcome.outcome = QStringLiteral("failed");
                outcome.message = row.status().message();
            }
            outcomes.append(outcome);
        }
    }

    if (options.json) {
        QJsonArray items;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QJsonObject item = itemJson(model, *rows[i]);
            if (options.rename) {
                const RenameOutcome &outcome = outcomes[i];
                item.insert(QStringLiteral("rename"),
                    QJsonObject{{QStringLiteral("outcome"), outcome.outcome}, {QStringLiteral("from"), outcome.from},
                        {QStringLiteral("to"), orNull(outcome.to)},
                        {QStringLiteral("message"), orNull(outcome.message)}});
            }
            items.append(item);
        }
        QJsonObject top{{QStringLiteral("status"), model.statusText()}, {QStringLiteral("items"), items}};
        if (options.rename)
            top.insert(QStringLiteral("dryRun"), options.dryRun);
        printOut(QString::fromUtf8(QJsonDocument(top).toJson(QJsonDocument::Indented)));
    } else {
        QString text;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            text += itemText(*rows[i]);
            if (options.rename)
                text += outcomeText(outcomes[i]);
        }
        printOut(text + model.statusText() + QLatin1Char('\n'));
    }
    // A file left under its old name is a failure a script must be able to see.
    const bool anyFailed = std::any_of(outcomes.cbegin(), outcomes.cend(),
        [](const RenameOutcome &outcome) { return outcome.outcome == QLatin1String("failed"); });
    return anyFailed ? 1 : 0;
}

std::optional<Options> parse(const QString &command, const QStringList &arguments, int *exitCode)
{
    const bool rename = command == QLatin1String("rename");
    QCommandLineParser parser;
    parser.setApplicationDescription(rename
            ? QStringLiteral("Looks every video file up, then renames those with a proposed name in place.\n"
                             "An existing file is never replaced. Exits with 1 when a file could not be renamed.")
            : QStringLiteral("Looks every video file up through the AI agent, VK Video and DuckDuckGo and shows\n"
                             "each file's replies and proposed name."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON object instead of text."));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("Show the planned renames only."));
    parser.addOption(json);
    if (rename)
        parser.addOption(dryRun);
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("PATH"), QStringLiteral("Video files and folders."), QStringLiteral("PATH..."));
    const QString name = QStringLiteral("tolvane-cli ") + command;
    if (!parser.parse(QStringList{name} + arguments)) {
        printError(QStringLiteral("%1: %2\n").arg(name, parser.errorText()));
        *exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        *exitCode = 0;
        return std::nullopt;
    }
    if (parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("%1: expected at least one PATH\n").arg(name));
        *exitCode = 2;
        return std::nullopt;
    }
    return Options{parser.isSet(json), rename, rename && parser.isSet(dryRun), parser.positionalArguments()};
}

} // namespace

int runLookup(const QStringList &arguments)
{
    int exitCode = 0;
    const std::optional<Options> options = parse(QStringLiteral("lookup"), arguments, &exitCode);
    return options ? lookUpAndPrint(*options) : exitCode;
}

int runRename(const QStringList &arguments)
{
    int exitCode = 0;
    const std::optional<Options> options = parse(QStringLiteral("rename"), arguments, &exitCode);
    return options ? lookUpAndPrint(*options) : exitCode;
}

} // namespace tolvane::cli
