#include "Commands.h"

#include "core/Text.h"
#include "settings/ApiKeyStore.h"
#include "settings/AppSettings.h"

#include <QCommandLineParser>
#include <QHash>

namespace tolvane::cli {

namespace {

// Enough to tell which key is stored without printing it.
QString maskedKey(const QString &key)
{
    if (key.isEmpty())
        return {};
    if (key.size() < 12)
        return QStringLiteral("••••");
    return QStringLiteral("••••") + key.right(4);
}

QString flagText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

std::optional<bool> parseBool(const QString &text)
{
    const QString value = text.trimmed().toLower();
    if (value == QLatin1String("true") || value == QLatin1String("1") || value == QLatin1String("yes")
        || value == QLatin1String("on"))
        return true;
    if (value == QLatin1String("false") || value == QLatin1String("0") || value == QLatin1String("no")
        || value == QLatin1String("off"))
        return false;
    return std::nullopt;
}

} // namespace

int runSettings(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        Cli::tr("Without arguments, prints the settings as the app reads them (KEY, TAB, value; the API key\n"
                "masked), then where the API key is kept: the keyring (Secret Service) where one answers, else\n"
                "the settings file. With KEY VALUE, stores one setting as the settings window's Save does.\n"
                "Keys: %1")
            .arg(AppSettings::allKeys().join(QStringLiteral(", "))));
    parser.addPositionalArgument(QStringLiteral("KEY"), Cli::tr("Setting to store."), QStringLiteral("[KEY"));
    parser.addPositionalArgument(QStringLiteral("VALUE"), Cli::tr("Value to store."), QStringLiteral("VALUE]"));
    if (const std::optional<int> ended = parseCommand(parser, QStringLiteral("settings"), arguments))
        return *ended;

    // The command line has no window to keep responsive: it waits for the keyring (briefly, so a
    // locked one that nobody unlocks does not hang a script).
    QCoro::waitFor(ApiKeyStore::load(std::chrono::seconds(5)));
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        const auto line = [](const QString &key, const QString &value) {
            return key + QLatin1Char('\t') + value + QLatin1Char('\n');
        };
        printOut(line(AppSettings::yandexAIAPIKey, maskedKey(AppSettings::yandexAPIKey()))
            + line(AppSettings::yandexAIFolderID, terminalSafe(AppSettings::yandexFolderID()))
            + line(AppSettings::yandexAIPromptID, terminalSafe(AppSettings::yandexPromptID()))
            + line(AppSettings::yandexAIEndpointURL, terminalSafe(AppSettings::yandexEndpointURL()))
            + line(AppSettings::useSafariCookiesKey, flagText(AppSettings::useSafariCookies()))
            + line(AppSettings::moveCompanionFilesKey, flagText(AppSettings::moveCompanionFiles()))
            + line(AppSettings::libraryLayoutKey, layoutKey(AppSettings::libraryLayout()))
            + line(AppSettings::filmFoldersKey, flagText(AppSettings::filmFolders()))
            + line(AppSettings::writeNfoKey, flagText(AppSettings::writeNfo()))
            + line(AppSettings::languageKey, AppSettings::language())
            + Cli::tr("The API key is kept in %1.").arg(terminalSafe(ApiKeyStore::locationText())) + u'\n');
        return 0;
    }
    if (positional.size() != 2) {
        printFailure(QStringLiteral("settings"), Cli::tr("expected no arguments, or KEY VALUE"));
        return 2;
    }

    const QString &key = positional[0];
    const QString &value = positional[1];
    const QHash<QString, void (*)(bool)> flags{{AppSettings::useSafariCookiesKey, AppSettings::storeUseSafariCookies},
        {AppSettings::moveCompanionFilesKey, AppSettings::storeMoveCompanionFiles},
        {AppSettings::filmFoldersKey, AppSettings::storeFilmFolders}, {AppSettings::writeNfoKey, AppSettings::storeWriteNfo}};
    if (const auto storeFlag = flags.value(key)) {
        const std::optional<bool> flag = parseBool(value);
        if (!flag) {
            printFailure(QStringLiteral("settings"),
                Cli::tr("%1 expects true or false, not “%2”").arg(key, terminalSafe(value)));
            return 2;
        }
        storeFlag(*flag);
    } else if (key == AppSettings::libraryLayoutKey) {
        const std::optional<LibraryLayout> layout = layoutFromKey(value.trimmed());
        if (!layout) {
            printFailure(QStringLiteral("settings"),
                Cli::tr("libraryLayout expects flat, jellyfin, plex or kodi, not “%1”").arg(terminalSafe(value)));
            return 1;
        }
        AppSettings::storeLibraryLayout(*layout);
    } else if (key == AppSettings::languageKey) {
        if (!AppSettings::storeLanguage(value)) {
            printFailure(QStringLiteral("settings"),
                Cli::tr("language expects %1, not “%2”")
                    .arg(AppSettings::languages.join(QStringLiteral(", ")), terminalSafe(value)));
            return 1;
        }
    } else if (key == AppSettings::yandexAIAPIKey) {
        QCoro::waitFor(ApiKeyStore::store(value));
    } else if (!AppSettings::storeText(key, value)) {
        printFailure(QStringLiteral("settings"),
            Cli::tr("unknown key “%1”; expected one of: %2")
                .arg(terminalSafe(key), AppSettings::allKeys().join(QStringLiteral(", "))));
        return 2;
    }
    // A value the store could not write must not pass for stored.
    if (const std::optional<QString> failure = AppSettings::flush()) {
        printFailure(QStringLiteral("settings"), terminalSafe(*failure));
        return 1;
    }
    return 0;
}

} // namespace tolvane::cli
