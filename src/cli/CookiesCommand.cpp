#include "Commands.h"
#include "core/Json.h"
#include "core/Text.h"
#include "services/SafariCookieStore.h"
#include "settings/AppSettings.h"

#include <QCommandLineParser>
#include <QUrl>

namespace tolvane::cli {

namespace {

using SafariCookieStore::Status;

QByteArray cookiesJson(const Status &status, const std::optional<std::optional<QString>> &header)
{
    const bool loaded = status.kind == Status::Case::loaded;
    JsonWriter json;
    json.beginObject();
    json.key(u"status");
    json.value(status.caseName());
    json.key(u"text");
    json.value(status.displayText());
    json.key(u"count");
    json.value(std::optional<qint64>(loaded ? status.count : 0));
    json.key(u"path");
    json.value(loaded ? std::optional(status.path) : std::nullopt);
    if (header) {
        json.key(u"header");
        json.value(*header);
    }
    json.endObject();
    return json.take();
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
    if (const std::optional<int> ended = parseCommand(parser, QStringLiteral("cookies"), arguments))
        return *ended;
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("tolvane-cli cookies: unexpected argument “%1”\n")
                       .arg(terminalSafe(parser.positionalArguments().constFirst())));
        return 2;
    }
    QUrl url;
    if (parser.isSet(header)) {
        url = QUrl(parser.value(header), QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()) {
            printError(QStringLiteral("tolvane-cli cookies: --header expects a URL with a host, such as "
                                      "https://example.com/, not “%1”\n")
                           .arg(terminalSafe(parser.value(header))));
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
    QString text = terminalSafe(status.displayText()) + u'\n';
    if (cookieHeader && *cookieHeader)
        text += QStringLiteral("Cookie: ") + terminalSafe(**cookieHeader) + u'\n';
    printOut(text);
    return 0;
}

} // namespace tolvane::cli
