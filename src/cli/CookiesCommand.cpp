#include "Commands.h"
#include "core/Json.h"
#include "core/Text.h"
#include "services/BrowserCookies.h"
#include "settings/AppSettings.h"

#include <QCommandLineParser>
#include <QUrl>

namespace tolvane::cli {

namespace {

using Status = BrowserCookies::Status;

std::optional<QString> unlessEmpty(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional(text);
}

/// What was read, for the line under the status: "Firefox profile NAME: PATH" or
/// "Cookies.binarycookies: PATH"; none when no file was found.
std::optional<QString> sourceLine(const Status &status, const std::optional<QString> &file)
{
    if (status.sourceName().isEmpty() || !file)
        return std::nullopt;
    if (!status.firefoxProfile.isEmpty())
        return Cli::tr("Source: Firefox profile %1: %2").arg(status.firefoxProfile, *file);
    return Cli::tr("Source: Cookies.binarycookies: %1").arg(*file);
}

QByteArray cookiesJson(const Status &status, const std::optional<QString> &file,
    const std::optional<std::optional<QString>> &header)
{
    const bool loaded = status.kind == Status::Case::loaded;
    const bool found = !status.sourceName().isEmpty();
    JsonWriter json;
    json.beginObject();
    json.key(u"status");
    json.value(status.caseName());
    json.key(u"source");
    json.value(unlessEmpty(status.sourceName()));
    json.key(u"profile");
    json.value(unlessEmpty(status.firefoxProfile));
    json.key(u"file");
    json.value(found ? file : std::nullopt);
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

int runCookies(const QStringList &arguments, BrowserCookies &cookies)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        Cli::tr("Loads the browser's cookies as a lookup does (unless useSafariCookies is off): Safari's\n"
                "cookie file where there is one, else the default Firefox profile's cookies.sqlite. Prints\n"
                "the status line and the file read. With --header URL, also prints the Cookie header that\n"
                "requests to URL carry; nothing when no cookie applies."));
    const QCommandLineOption json = jsonOption();
    const QCommandLineOption header(
        QStringLiteral("header"), Cli::tr("Also print the Cookie header for URL."), QStringLiteral("URL"));
    parser.addOption(json);
    parser.addOption(header);
    if (const std::optional<int> ended = parseCommand(parser, QStringLiteral("cookies"), arguments))
        return *ended;
    if (!parser.positionalArguments().isEmpty()) {
        printFailure(QStringLiteral("cookies"),
            Cli::tr("unexpected argument “%1”").arg(terminalSafe(parser.positionalArguments().constFirst())));
        return 2;
    }
    QUrl url;
    if (parser.isSet(header)) {
        url = QUrl(parser.value(header), QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()) {
            printFailure(QStringLiteral("cookies"),
                Cli::tr("--header expects a URL with a host, such as https://example.com/, not “%1”")
                    .arg(terminalSafe(parser.value(header))));
            return 2;
        }
    }

    if (parser.isSet(header))
        cookies.wantCookiesFor({url.host(QUrl::FullyEncoded)}); // read along with the status
    const Status status = cookies.load(AppSettings::useSafariCookies());
    std::optional<std::optional<QString>> cookieHeader;
    if (parser.isSet(header))
        cookieHeader = cookies.cookieHeader(url);

    const std::optional<QString> file = cookies.lastFile();
    if (parser.isSet(json)) {
        printOut(cookiesJson(status, file, cookieHeader));
        return 0;
    }
    QString text = terminalSafe(status.displayText()) + u'\n';
    if (const std::optional<QString> source = sourceLine(status, file))
        text += terminalSafe(*source) + u'\n';
    if (cookieHeader && *cookieHeader)
        text += QStringLiteral("Cookie: ") + terminalSafe(**cookieHeader) + u'\n';
    printOut(text);
    return 0;
}

} // namespace tolvane::cli
