#include "engines/agent/YandexAIStudioClient.h"

#include "core/Json.h"
#include "core/Text.h"
#include "lookup/LookupError.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QUrl>

#include <chrono>
#include <climits>
#include <cmath>

namespace tolvane::YandexAIStudioClient {

namespace {

/// How much of an error page a failed reply shows, in user-perceived characters.
constexpr int errorBodyPreviewLength = 180;

/// Thrown inside a decode when a known key holds a value of the wrong type; the decode then fails whole.
struct WrongType { };

QJsonObject requireObject(const QJsonValue &value)
{
    if (!value.isObject())
        throw WrongType{};
    return value.toObject();
}

bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

/// The value under `key` when it is of `type`; nothing when absent or null; WrongType otherwise.
std::optional<QJsonValue> presentValue(const QJsonObject &object, const QString &key, QJsonValue::Type type)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value))
        return std::nullopt;
    if (value.type() != type)
        throw WrongType{};
    return value;
}

std::optional<QString> optionalString(const QJsonObject &object, const QString &key)
{
    const std::optional<QJsonValue> value = presentValue(object, key, QJsonValue::String);
    return value ? std::optional(value->toString()) : std::nullopt;
}

std::optional<double> optionalNumber(const QJsonObject &object, const QString &key)
{
    const std::optional<QJsonValue> value = presentValue(object, key, QJsonValue::Double);
    return value ? std::optional(value->toDouble()) : std::nullopt;
}

std::optional<QJsonArray> optionalArray(const QJsonObject &object, const QString &key)
{
    const std::optional<QJsonValue> value = presentValue(object, key, QJsonValue::Array);
    return value ? std::optional(value->toArray()) : std::nullopt;
}

ResponseBody::ContentPart decodeContentPart(const QJsonValue &value)
{
    const QJsonObject object = requireObject(value);
    return {optionalString(object, QStringLiteral("type")), optionalString(object, QStringLiteral("text"))};
}

ResponseBody::OutputItem decodeOutputItem(const QJsonValue &value)
{
    const QJsonObject object = requireObject(value);
    ResponseBody::OutputItem item;
    if (const auto content = optionalArray(object, QStringLiteral("content"))) {
        item.content.emplace();
        for (const QJsonValue &part : *content)
            item.content->append(decodeContentPart(part));
    }
    return item;
}

/// An integral number in int range, else the first four decimal digits of a string, else nothing.
std::optional<int> decodeYear(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::trunc(number) == number && number >= double(INT_MIN) && number <= double(INT_MAX))
            return int(number);
        return std::nullopt;
    }
    if (!value.isString())
        return std::nullopt;
    int year = 0;
    int digits = 0;
    for (const char32_t c : value.toString().toUcs4()) {
        if (!QChar::isDigit(c))
            continue;
        // Digits of other scripts count towards the four but do not parse as a decimal number.
        if (c < U'0' || c > U'9')
            return std::nullopt;
        year = year * 10 + int(c - U'0');
        if (++digits == 4)
            break;
    }
    return digits > 0 ? std::optional<int>(year) : std::nullopt;
}

/// An array of strings, else one string as a one-element list, else nothing.
QStringList decodeAltTitles(const QJsonValue &value)
{
    if (value.isArray()) {
        QStringList titles;
        for (const QJsonValue &element : value.toArray()) {
            if (!element.isString())
                return {};
            titles.append(element.toString());
        }
        return titles;
    }
    if (value.isString())
        return {value.toString()};
    return {};
}

} // namespace

QCoro::Task<AgentResult> askAgent(
    AgentConfig config, QString input, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation)
{
    const QString apiKey = config.apiKey.trimmed();
    const QString folderID = config.folderID.trimmed();
    const QString promptID = config.promptID.trimmed();
    if (apiKey.isEmpty())
        throw LookupError::missingAPIKey();
    if (folderID.isEmpty())
        throw LookupError::network(LookupError::tr("Yandex AI folder ID not set (Settings)"));
    if (promptID.isEmpty())
        throw LookupError::network(LookupError::tr("Yandex AI prompt ID not set (Settings)"));
    const QUrl endpoint(config.endpoint.trimmed(), QUrl::StrictMode);
    if (!endpoint.isValid() || endpoint.scheme().isEmpty())
        throw LookupError::network(LookupError::tr("Yandex AI endpoint URL invalid (Settings)"));
    const QString query = input.trimmed();
    if (query.isEmpty())
        throw LookupError::emptyQuery();

    HttpRequest request;
    request.method = "POST";
    request.url = endpoint;
    request.setHeader("Content-Type", "application/json");
    request.setHeader("Authorization", "Api-Key " + apiKey.toUtf8());
    request.setHeader("OpenAI-Project", folderID.toUtf8());
    request.body = encodeRequestBody(promptID, query);
    // The agent may think for a while before the first byte arrives.
    request.idleTimeout = std::chrono::seconds(45);
    request.cancellation = std::move(cancellation);

    HttpResponse response;
    try {
        auto sending = lookup.session->send(request);
        response = co_await std::move(sending);
    } catch (const TransportError &error) {
        throw LookupError::network(error.message());
    }
    co_return interpretResponse(response.status, response.body);
}

QByteArray encodeRequestBody(const QString &promptID, const QString &input)
{
    QByteArray body("{\"prompt\":{\"id\":");
    appendJsonString(body, promptID);
    body.append("},\"input\":");
    appendJsonString(body, input);
    body.append('}');
    return body;
}

AgentResult interpretResponse(int status, const QByteArray &body)
{
    if (status == 401 || status == 403)
        throw LookupError::network(LookupError::tr("Yandex AI auth failed (check API key / folder in Settings)"));
    if (status == 429)
        throw LookupError::network(LookupError::tr("Yandex AI rate limited (retry)"));
    if (status < 200 || status > 299)
        throw LookupError::network(httpFailureMessage(status, body));

    const std::optional<ResponseBody> decoded = decodeResponseBody(body);
    if (!decoded)
        throw LookupError::parseFailed();
    // A service error wins over whatever output came with it.
    if (decoded->error && decoded->error->message && !decoded->error->message->isEmpty())
        throw LookupError::network(*decoded->error->message);
    const std::optional<QString> text = extractOutputText(decoded->outputText, decoded->output);
    if (!text)
        throw LookupError::parseFailed();
    return parseAgentAnswer(*text);
}

QString httpFailureMessage(int status, const QByteArray &body)
{
    const QString text = strictUtf8(body).value_or(QString());
    // Counted in graphemes, so a surrogate pair or a letter with its accents is never cut.
    const QString preview = leftGraphemes(text.trimmed(), errorBodyPreviewLength);
    if (preview.isEmpty())
        return LookupError::tr("Yandex AI HTTP %1").arg(status);
    return LookupError::tr("Yandex AI HTTP %1: %2").arg(QString::number(status), preview);
}

std::optional<ResponseBody> decodeResponseBody(const QByteArray &body)
{
    const std::optional<QJsonObject> object = parseJsonObject(body);
    if (!object)
        return std::nullopt;
    try {
        ResponseBody decoded;
        decoded.outputText = optionalString(*object, QStringLiteral("output_text"));
        if (const auto output = optionalArray(*object, QStringLiteral("output"))) {
            decoded.output.emplace();
            for (const QJsonValue &item : *output)
                decoded.output->append(decodeOutputItem(item));
        }
        const QJsonValue error = object->value(QStringLiteral("error"));
        if (!isAbsent(error))
            decoded.error = ResponseBody::APIErrorBody{optionalString(requireObject(error), QStringLiteral("message"))};
        return decoded;
    } catch (const WrongType &) {
        return std::nullopt;
    }
}

std::optional<QString> extractOutputText(
    const std::optional<QString> &outputText, const std::optional<QList<ResponseBody::OutputItem>> &output)
{
    QStringList pieces;
    for (const ResponseBody::OutputItem &item : output.value_or(QList<ResponseBody::OutputItem>())) {
        for (const ResponseBody::ContentPart &part : item.content.value_or(QList<ResponseBody::ContentPart>())) {
            if (part.type && *part.type != QLatin1String("output_text"))
                continue;
            if (!part.text)
                continue;
            const QString text = part.text->trimmed();
            if (!text.isEmpty())
                pieces.append(text);
        }
    }
    if (!pieces.isEmpty())
        return pieces.join(QLatin1Char('\n'));
    const QString fallback = outputText.value_or(QString()).trimmed();
    if (!fallback.isEmpty())
        return fallback;
    return std::nullopt;
}

std::optional<MovieJSON> decodeMovieJSON(const QByteArray &json)
{
    const std::optional<QJsonObject> object = parseJsonObject(json);
    if (!object)
        return std::nullopt;
    try {
        MovieJSON movie;
        movie.title = optionalString(*object, QStringLiteral("title"));
        movie.confidence = optionalNumber(*object, QStringLiteral("confidence"));
        movie.notes = optionalString(*object, QStringLiteral("notes"));
        movie.year = decodeYear(object->value(QStringLiteral("year")));
        movie.altTitles = decodeAltTitles(object->value(QStringLiteral("alt_titles")));
        return movie;
    } catch (const WrongType &) {
        return std::nullopt;
    }
}

AgentResult parseAgentAnswer(const QString &text)
{
    // The agent's refusal phrases (Russian, then English with a plain apostrophe).
    static const QString refusals[]
        = {QStringLiteral("не могу обсуждать"), QStringLiteral("can't discuss"), QStringLiteral("cannot discuss")};
    const QString lowered = text.toLower();
    for (const QString &refusal : refusals) {
        if (lowered.contains(refusal))
            throw LookupError::network(LookupError::tr("Yandex AI refused the query (try extra tokens / year)"));
    }

    // The outermost braces: strips code fences and prose around a single object.
    const qsizetype open = text.indexOf(QLatin1Char('{'));
    const qsizetype close = text.lastIndexOf(QLatin1Char('}'));
    const QString json = open >= 0 && close > open ? text.sliced(open, close - open + 1) : text;
    const std::optional<MovieJSON> movie = decodeMovieJSON(json.toUtf8());
    if (!movie)
        throw LookupError::parseFailed();

    const QString title = movie->title.value_or(QString()).trimmed();
    const QString notes = movie->notes.value_or(QString()).trimmed();
    if (title.isEmpty() || title.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0)
        throw LookupError::network(notes.isEmpty() ? LookupError::tr("Yandex AI: unknown title") : notes);

    AgentResult result;
    result.title = title;
    result.year = movie->year;
    result.confidence = movie->confidence;
    if (!notes.isEmpty())
        result.notes = notes;
    for (const QString &alt : movie->altTitles) {
        const QString trimmed = alt.trimmed();
        if (!trimmed.isEmpty() && trimmed.compare(title, Qt::CaseInsensitive) != 0)
            result.altTitles.append(trimmed);
    }
    result.rawOutput = text;
    return result;
}

} // namespace tolvane::YandexAIStudioClient
