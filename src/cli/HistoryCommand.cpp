#include "Commands.h"

#include "core/FilePaths.h"
#include "core/Json.h"
#include "core/Text.h"
#include "library/RenameJournal.h"
#include "library/RenameUndo.h"

#include <QCommandLineParser>

#include <atomic>
#include <csignal>

namespace tolvane::cli {

namespace {

QString shownTime(const JournalBatch &batch)
{
    return batch.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void writeBatch(JsonWriter &json, const JournalBatch &batch)
{
    json.beginObject();
    json.key(u"id");
    json.value(batch.id);
    json.key(u"time");
    json.value(batch.time.toString(Qt::ISODateWithMs));
    json.key(u"kind");
    json.value(batch.isUndo ? u"undo" : u"rename");
    json.key(u"files");
    json.value(batch.fileCount());
    json.key(u"unconfirmed");
    json.value(batch.unconfirmedCount());
    json.key(u"folder");
    json.value(readableName(batch.folder()));
    json.key(u"undone");
    json.value(batch.undone);
    json.key(u"partlyUndone");
    json.value(batch.partlyUndone);
    json.key(u"filesBack");
    json.value(batch.filesBack());
    json.key(u"undoes");
    json.value(batch.isUndo ? std::optional(batch.undoes) : std::nullopt);
    json.endObject();
}

QString actionWord(JournalMove::Kind action)
{
    switch (action) {
    case JournalMove::Kind::move:
        return QStringLiteral("move");
    case JournalMove::Kind::makeFolder:
        return QStringLiteral("removeFolder");
    case JournalMove::Kind::writeFile:
        return QStringLiteral("removeFile");
    }
    return {};
}

QString stepWord(UndoStep::Kind kind)
{
    switch (kind) {
    case UndoStep::Kind::moved:
        return QStringLiteral("moved");
    case UndoStep::Kind::planned:
        return QStringLiteral("planned");
    case UndoStep::Kind::notThere:
        return QStringLiteral("not there");
    case UndoStep::Kind::nameTaken:
        return QStringLiteral("name taken");
    case UndoStep::Kind::failed:
        return QStringLiteral("failed");
    case UndoStep::Kind::notSame:
        return QStringLiteral("not the same file");
    case UndoStep::Kind::refused:
        return QStringLiteral("refused");
    case UndoStep::Kind::heldBack:
        return QStringLiteral("held back");
    case UndoStep::Kind::interrupted:
        return QStringLiteral("interrupted");
    case UndoStep::Kind::kept:
        return QStringLiteral("kept");
    }
    return {};
}

std::optional<int> parseWith(QCommandLineParser &parser, const QString &command, const QStringList &arguments)
{
    if (const std::optional<int> ended = parseCommand(parser, command, arguments))
        return ended;
    if (!parser.positionalArguments().isEmpty()) {
        printFailure(command, Cli::tr("takes no arguments"));
        return 2;
    }
    return std::nullopt;
}

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

/// While it lives, Ctrl-C and SIGTERM stop the undo between two rows: the row in progress is
/// completed, as a rename completes its move in progress.
class StopOnSignals {
public:
    StopOnSignals()
    {
        struct sigaction handler = {};
        handler.sa_handler = [](int) { stopRequested.store(true); };
        handler.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &handler, &m_previousInt);
        ::sigaction(SIGTERM, &handler, &m_previousTerm);
    }
    ~StopOnSignals()
    {
        ::sigaction(SIGINT, &m_previousInt, nullptr);
        ::sigaction(SIGTERM, &m_previousTerm, nullptr);
    }
    StopOnSignals(const StopOnSignals &) = delete;
    StopOnSignals &operator=(const StopOnSignals &) = delete;

private:
    struct sigaction m_previousInt = {};
    struct sigaction m_previousTerm = {};
};

} // namespace

int runHistory(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        Cli::tr("Lists the renames in the journal, newest first: when, how many files, in which folder,\n"
                "and whether they were undone. The journal is %1.")
            .arg(RenameJournal::defaultPath()));
    const QCommandLineOption jsonFlag = jsonOption();
    parser.addOption(jsonFlag);
    if (const std::optional<int> ended = parseWith(parser, QStringLiteral("history"), arguments))
        return *ended;

    QString error;
    QList<JournalBatch> batches = RenameJournal::readBatches(RenameJournal::defaultPath(), &error);
    if (!error.isEmpty()) {
        printFailure(QStringLiteral("history"), error);
        return 1;
    }
    std::reverse(batches.begin(), batches.end());
    if (parser.isSet(jsonFlag)) {
        JsonWriter json;
        json.beginObject();
        json.key(u"journal");
        json.value(RenameJournal::defaultPath());
        json.key(u"batches");
        json.beginArray();
        for (const JournalBatch &batch : std::as_const(batches))
            writeBatch(json, batch);
        json.endArray();
        json.endObject();
        printOut(json.take());
        return 0;
    }
    if (batches.isEmpty()) {
        printOut(Cli::tr("No renames yet") + u'\n');
        return 0;
    }
    QHash<QString, QString> timeOf;
    for (const JournalBatch &batch : std::as_const(batches))
        timeOf.insert(batch.id, shownTime(batch));
    QString text;
    for (const JournalBatch &batch : std::as_const(batches)) {
        //: A rename in the history: its time, how many files, its folder; keep the double spaces
        text += Cli::tr("%1  %n file(s)  %2", nullptr, batch.fileCount())
                    .arg(shownTime(batch), terminalSafe(readableName(batch.folder())));
        if (const int unconfirmed = batch.unconfirmedCount(); unconfirmed > 0)
            text += Cli::tr("  cut short: %n move(s) unconfirmed", nullptr, unconfirmed);
        if (batch.isUndo)
            text += Cli::tr("  undo of %1").arg(timeOf.value(batch.undoes, Cli::tr("an older batch")));
        else if (batch.undone)
            text += Cli::tr("  (undone)");
        else if (batch.partlyUndone)
            text += Cli::tr("  (partly undone: %1 of %n file(s) back)", nullptr, batch.fileCount())
                        .arg(batch.filesBack());
        text += QLatin1Char('\n');
    }
    printOut(text);
    return 0;
}

int runUndo(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        Cli::tr("Moves the files of the newest rename not yet undone back to their old names, newest move\n"
                "first, a video and its companion files together or not at all. Nothing is ever replaced: a\n"
                "file no longer at its new name, another file there, or an old name taken keeps its video's\n"
                "files where they are, named. Exits with 1 when a file stayed, else 0; with 130 when\n"
                "interrupted, after the video in progress. An undo is never undone; a rename stays to be\n"
                "undone (\"partly undone\") until every file is back, then the next undo takes the next older."));
    const QCommandLineOption jsonFlag = jsonOption();
    parser.addOption(jsonFlag);
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), Cli::tr("Show what would move back; move nothing."));
    parser.addOption(dryRun);
    if (const std::optional<int> ended = parseWith(parser, QStringLiteral("undo"), arguments))
        return *ended;

    RenameJournal journal;
    const bool dry = parser.isSet(dryRun);
    UndoReport report;
    {
        const StopOnSignals stopOnSignals;
        report = undoLatest(journal, dry, {}, &stopRequested);
    }
    const int left = int(report.steps.size()) - report.movedCount();
    QString status;
    if (report.error)
        status = *report.error;
    else if (!report.batch)
        status = Cli::tr("Nothing to undo");
    else if (dry)
        status = Cli::tr("Would undo: %n file(s) of %1", nullptr, report.movedCount()).arg(shownTime(*report.batch));
    else
        status = Cli::tr("Undone: %n file(s) of %1", nullptr, report.movedCount()).arg(shownTime(*report.batch));
    if (report.batch && !report.error && left > 0)
        //: Follows "Undone: 3 file(s) of TIME" (%1); %n files stayed under their new names
        status = Cli::tr("%1; %n left where they are", nullptr, left).arg(status);

    if (parser.isSet(jsonFlag)) {
        JsonWriter json;
        json.beginObject();
        json.key(u"dryRun");
        json.value(dry);
        json.key(u"status");
        json.value(status);
        json.key(u"batch");
        if (report.batch)
            writeBatch(json, *report.batch);
        else
            json.null();
        json.key(u"moves");
        json.beginArray();
        for (const UndoStep &step : report.steps) {
            json.beginObject();
            json.key(u"from");
            json.value(readableName(step.current));
            json.key(u"to");
            // A folder or .nfo the rename made is removed, not moved: it has nowhere to go back to.
            json.value(step.original.isEmpty() ? std::nullopt : std::optional(readableName(step.original)));
            json.key(u"action");
            json.value(actionWord(step.action));
            json.key(u"outcome");
            json.value(stepWord(step.kind));
            json.key(u"message");
            json.value(step.kind == UndoStep::Kind::moved || step.kind == UndoStep::Kind::planned
                    ? std::nullopt
                    : std::optional(undoStepText(step)));
            json.endObject();
        }
        json.endArray();
        json.endObject();
        printOut(json.take());
    } else {
        QString text;
        for (const UndoStep &step : report.steps) {
            if (const QString left = undoStepText(step); !left.isEmpty())
                printFailure(QStringLiteral("undo"), terminalSafe(left));
            else if (step.action == JournalMove::Kind::move)
                text += QStringLiteral("%1 → %2\n").arg(
                    terminalSafe(readableName(step.current)), terminalSafe(readableName(nativeFileName(step.original))));
            else
                //: A folder or .nfo file the rename made, removed by the undo
                text += Cli::tr("removed %1")
                            .arg(terminalSafe(readableName(step.current))
                                + (step.action == JournalMove::Kind::makeFolder ? QStringLiteral("/") : QString()))
                    + u'\n';
        }
        printOut(text + terminalSafe(status) + QLatin1Char('\n'));
    }
    if (report.interrupted) {
        const auto stopped = std::count_if(report.steps.cbegin(), report.steps.cend(),
            [](const UndoStep &step) { return step.kind == UndoStep::Kind::interrupted; });
        printFailure({},
            Cli::tr("interrupted; %1 moved back, %2 left under their new names").arg(report.movedCount()).arg(stopped));
        return 130;
    }
    return report.isComplete() ? 0 : 1;
}

} // namespace tolvane::cli
