#include "Commands.h"
#include "Json.h"

#include "services/SafariCookieStore.h"
#include "settings/AppSettings.h"

#include <QCommandLineParser>
#include <QUrl>

namespace tolvane::cli {

namespace {

using SafariCookieStore::Status;

QString cookiesJson(const Status &status, const std::optional<std::optional<QString>> &header)
{
    const bool loaded = status.kind == Status::Case::loaded;
    QString json = QStringLiteral("{\"status\": %1, \"text\": %2, \"count\": %3, \"path\": %4")
                       .arg(jsonString(status.caseName()), jsonString(status.displayText()),
                           QString::number(loaded ? status.count : 0),
                           jsonString(loaded ? std::optional(status.path) : std::nullopt));
    if (header)
        json += QStringLiteral(", \"header\": ") + jsonString(*header);
    return json + QStringLiteral("}\n");
}

} // namespace

int runCookies(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Loads Safari's cookie file as a lookup does (unless useSafariCookies is off) and prints the\n"
                       "status line. With --header URL, also prints the Cookie header that requests to URL carry;\n"
                       "nothing when no cookie applies."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON object instead of text."));
    const QCommandLineOption header(
        QStringLiteral("header"), QStringLiteral("Also print the Cookie header for URL."), QStringLiteral("URL"));
    parser.addOption(json);
    parser.addOption(header);
    parser.addHelpOption();
    if (!parser.parse(QStringList{QStringLiteral("tolvane-cli cookies")} + arguments)) {
        printError(QStringLiteral("tolvane-cli cookies: %1\n").arg(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("tolvane-cli cookies: unexpected argument “%1”\n")
                       .arg(parser.positionalArguments().constFirst()));
        return 2;
    }
    QUrl url;
    if (parser.isSet(header)) {
        url = QUrl(parser.value(header), QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()) {
            printError(QStringLiteral("tolvane-cli cookies: --header expects a URL with a host, such as "
                                      "https://example.com/, not “%1”\n")
                           .arg(parser.value(header)));
            return 2;
        }
    }

    const Status status = SafariCookieStore::loadCookies(AppSettings::useSafariCookies());
    std::optional<std::optional<QString>> cookieHeader;
    if (parser.isSet(header))
        cookieHeader = SafariCookieStore::cookieHeader(url);

    if (parser.isSet(json)) {
        printOut(cookiesJson(status, cookieHeader));
        return 0;
    }
    QString text = status.displayText() + u'\n';
    if (cookieHeader && *cookieHeader)
        text += QStringLiteral("Cookie: ") + **cookieHeader + u'\n';
    printOut(text);
    return 0;
}

} // namespace tolvane::cli
