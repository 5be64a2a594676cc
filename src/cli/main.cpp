#include "Commands.h"

#include "core/Text.h"
#include "services/BrowserCookies.h"
#include "settings/Translations.h"

#include <QCoreApplication>

#include <malloc.h>

using namespace tolvane::cli;
using tolvane::terminalSafe;

namespace {

QString usage()
{
    const QString blocks[] = {
        Cli::tr("Usage: tolvane-cli COMMAND [OPTIONS] [ARGS]"),
        Cli::tr("Renames the video files of a movie library after the films they hold."),
        //: Keep the command and option names, the placeholders and the column where the
        //: descriptions start.
        Cli::tr("Commands:\n"
                "  scan [--json] PATH...      list the video files the app would take from these paths\n"
                "  settings [KEY VALUE]       show the settings, or store one\n"
                "  cookies [--json] [--header URL]\n"
                "                             load the browser's cookie file and show its status\n"
                "  probe [--json] FILE...     show the technical summary of each video file\n"
                "  lookup [--json] PATH...    look every video file up and show the proposed names\n"
                "  rename [--json] [--dry-run] PATH...\n"
                "                             look every video file up and rename those with a match\n"
                "  history [--json]           list the renames, newest first\n"
                "  undo [--dry-run] [--json]  move the files of the newest rename back"),
        //: Keep the option names and the column where the descriptions start.
        Cli::tr("Options:\n"
                "  -h, --help                 show this help\n"
                "  --version                  show the version"),
        Cli::tr("Run \"tolvane-cli COMMAND --help\" for the options of a command."),
    };
    QString text;
    for (const QString &block : blocks)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + block;
    return text + u'\n';
}

} // namespace

int main(int argc, char *argv[])
{
    // One malloc arena for every thread: the arena of a pool thread (where a scan runs) grows a
    // page at a time, one mprotect call each, some 2 000 calls for 10 000 rows.
    mallopt(M_ARENA_MAX, 1);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvane-cli"));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    // --json output is read by scripts: the model's texts it carries (status lines, failures)
    // stay English, so a --json run installs no translator.
    if (!arguments.contains(QStringLiteral("--json")))
        tolvane::installTranslations();
    if (arguments.isEmpty()) {
        printError(usage());
        return 2;
    }
    // The text arguments have lost the bytes of a file name that is not UTF-8; commands that take
    // paths read them from here.
    QList<QByteArray> rawWords;
    for (int index = 2; index < argc; ++index)
        rawWords.append(QByteArray(argv[index]));
    setRawArguments(std::move(rawWords));

    const QString command = arguments.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        printOut(usage());
        return 0;
    }
    if (command == QLatin1String("--version")) {
        printOut(QStringLiteral("tolvane-cli " TOLVANE_VERSION "\n"));
        return 0;
    }
    const auto cookies = std::make_shared<tolvane::BrowserCookies>();
    if (command == QLatin1String("scan"))
        return runScan(arguments);
    if (command == QLatin1String("settings"))
        return runSettings(arguments);
    if (command == QLatin1String("cookies"))
        return runCookies(arguments, *cookies);
    if (command == QLatin1String("probe"))
        return runProbe(arguments);
    if (command == QLatin1String("lookup"))
        return runLookup(arguments, cookies);
    if (command == QLatin1String("rename"))
        return runRename(arguments, cookies);
    if (command == QLatin1String("history"))
        return runHistory(arguments);
    if (command == QLatin1String("undo"))
        return runUndo(arguments);
    printFailure({},
        Cli::tr("unknown command “%1”; expected one of: scan, settings, cookies, probe, lookup, rename, history, undo")
            .arg(terminalSafe(command)));
    return 2;
}
