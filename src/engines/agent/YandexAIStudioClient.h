#pragma once

#include "lookup/MovieLookup.h"
#include "support/CancellationHandle.h"

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tolvane::YandexAIStudioClient {

/// The agent's answer. `rawOutput` is the output text as extracted from the response, before the
/// JSON object was cut out of it.
struct AgentResult {
    QString title;
    std::optional<int> year;
    std::optional<double> confidence;
    std::optional<QString> notes;
    QStringList altTitles;
    QString rawOutput;

    bool operator==(const AgentResult &) const = default;
};

/// The four settings a call needs, handed in by the caller; each is trimmed before use.
struct AgentConfig {
    QString apiKey;
    QString folderID;
    QString promptID;
    QString endpoint;
};

/// The parts of a Responses API answer that we read. Unknown keys are ignored; a known key holding
/// a value of the wrong type makes the whole body undecodable.
struct ResponseBody {
    struct ContentPart {
        std::optional<QString> type;
        std::optional<QString> text;
    };
    struct OutputItem {
        std::optional<QList<ContentPart>> content;
    };
    struct APIErrorBody {
        std::optional<QString> message;
    };

    std::optional<QString> outputText; // "output_text"
    std::optional<QList<OutputItem>> output;
    std::optional<APIErrorBody> error;
};

/// The JSON object the agent writes into its answer.
struct MovieJSON {
    std::optional<QString> title;
    std::optional<int> year;
    std::optional<double> confidence;
    std::optional<QString> notes;
    QStringList altTitles; // "alt_titles"
};

/// Asks the agent about one file: one POST to the endpoint, no retry. Throws LookupError.
QCoro::Task<AgentResult> askAgent(
    AgentConfig config, QString input, MovieLookup lookup, std::shared_ptr<CancellationHandle> cancellation = {});

/// {"prompt":{"id":promptID},"input":input}, in that key order.
QByteArray encodeRequestBody(const QString &promptID, const QString &input);

/// The result of one HTTP answer: status checks, then the body. Throws LookupError.
AgentResult interpretResponse(int status, const QByteArray &body);

/// The message for a status outside 200–299: the code and the start of the trimmed body, if any.
QString httpFailureMessage(int status, const QByteArray &body);

/// Absent when the body is not a JSON object or a known key has the wrong type.
std::optional<ResponseBody> decodeResponseBody(const QByteArray &body);

/// The answer text: the usable "output_text" parts of `output` joined by newlines, else the
/// trimmed `outputText`; absent when neither has any text.
std::optional<QString> extractOutputText(
    const std::optional<QString> &outputText, const std::optional<QList<ResponseBody::OutputItem>> &output);

/// Absent when `json` is not an object or title, confidence or notes have the wrong type. The year
/// and the alternative titles never fail the decode.
std::optional<MovieJSON> decodeMovieJSON(const QByteArray &json);

/// Turns the agent's answer text into a result. Throws LookupError for a refusal, an undecodable
/// answer or an unidentified film.
AgentResult parseAgentAnswer(const QString &text);

} // namespace tolvane::YandexAIStudioClient
