#include "../lookup/LookupFakes.h"

#include "library/LookupAll.h"
#include "settings/AppSettings.h"
#include "engines/agent/AgentPrompt.h"
#include "engines/agent/YandexAIStudioClient.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace tolvane::YandexAIStudioClient;

namespace {

const QString endpoint = u"http://127.0.0.1:9/v1/responses"_qs;
const QString refusal = u"network: Yandex AI refused the query (try extra tokens / year)"_qs;
const QString stalkerJSON = uR"({"title": "Stalker", "year": 1979})"_qs;

QString describe(const LookupError &error)
{
    using Kind = LookupError::Kind;
    if (error.kind() == Kind::network)
        return u"network: "_qs + error.description();
    const QMap<Kind, QString> names{{Kind::emptyQuery, u"emptyQuery"_qs}, {Kind::missingAPIKey, u"missingAPIKey"_qs},
        {Kind::parseFailed, u"parseFailed"_qs}};
    return names.value(error.kind(), u"other"_qs);
}

/// "ok: <title>" or the failure, with its kind.
QString describe(const fakes::Outcome<AgentResult> &outcome)
{
    return outcome.error ? describe(*outcome.error) : u"ok: "_qs + outcome.value->title;
}

/// A body whose output_text is `answer`, with `extra` fields.
QByteArray answering(const QString &answer, QJsonObject extra = {})
{
    extra.insert(u"output_text"_qs, answer);
    return QJsonDocument(extra).toJson(QJsonDocument::Compact);
}

/// A scripted exchange: the transport answers every request with `response`.
struct Exchange {
    std::shared_ptr<fakes::FakeTransport> transport = std::make_shared<fakes::FakeTransport>();
    fakes::FakeWorld world;
    MovieLookup lookup = fakes::fakeLookup(transport, &world);

    explicit Exchange(HttpResponse response = fakes::ok(answering(stalkerJSON)))
    {
        transport->responder = [response](const HttpRequest &) { return response; };
    }
};

} // namespace

class TestYandexAI : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    void init() { AppSettings::resetAll(); }

    // Each setting, then the input, is checked in a fixed order before anything is sent.
    void checksBeforeSending()
    {
        const QString yandex = u"network: Yandex AI "_qs, badEndpoint = yandex + u"endpoint URL invalid (Settings)"_qs;
        const QList<std::tuple<AgentConfig, QString, QString>> cases{
            {{u" \n\t"_qs, {}, u"p"_qs, endpoint}, {}, u"missingAPIKey"_qs},
            {{u"k"_qs, u"  "_qs, {}, u"nonsense"_qs}, {}, yandex + u"folder ID not set (Settings)"_qs},
            {{u"k"_qs, u"f"_qs, u"\n"_qs, endpoint}, u"x"_qs, yandex + u"prompt ID not set (Settings)"_qs},
            {{u"k"_qs, u"f"_qs, u"p"_qs, u"http://exa mple.com/v1"_qs}, u"x"_qs, badEndpoint},
            {{u"k"_qs, u"f"_qs, u"p"_qs, u" "_qs}, u" "_qs, badEndpoint}, // no default endpoint when given directly
            {{u"k"_qs, u"f"_qs, u"p"_qs, endpoint}, u" \n\t "_qs, u"emptyQuery"_qs}};
        QStringList seen, wanted;
        for (const auto &[config, input, expected] : cases) {
            Exchange exchange;
            const QString row
                = u"[%1|%2|%3|%4|%5]: "_qs.arg(config.apiKey, config.folderID, config.promptID, config.endpoint, input);
            const QString answer = describe(fakes::run(askAgent(config, input, exchange.lookup)));
            seen << row + answer + u" sent "_qs + QString::number(exchange.transport->requests.size());
            wanted << row + expected + u" sent 0"_qs;
        }
        QCOMPARE(seen, wanted);
    }

    void request()
    {
        Exchange exchange;
        const auto cancellation = std::make_shared<CancellationHandle>();
        const AgentConfig padded{u" AQVN-key\n"_qs, u"\tb1g-folder "_qs, u" fvt-prompt "_qs, u"  "_qs + endpoint};
        const QString input = u"\n filename: Ёлки \"2\".mkv\nstem: Ёлки 2\t\n"_qs;
        const auto outcome = fakes::run(askAgent(padded, input, exchange.lookup, cancellation));
        QCOMPARE(describe(outcome), u"ok: Stalker"_qs);

        QCOMPARE(exchange.transport->requests.size(), 1);
        const HttpRequest &sent = exchange.transport->requests[0];
        QCOMPARE(sent.method + ' ' + sent.url.toEncoded(), "POST " + endpoint.toUtf8());
        QCOMPARE(sent.headers,
            (QList<HttpHeader>{{"Content-Type", "application/json"}, {"Authorization", "Api-Key AQVN-key"},
                {"OpenAI-Project", "b1g-folder"}}));
        QCOMPARE(sent.body,
            QByteArray(
                "{\"prompt\":{\"id\":\"fvt-prompt\"},\"input\":\"filename: Ёлки \\\"2\\\".mkv\\nstem: Ёлки 2\"}"));
        QCOMPARE(sent.cancellation, cancellation);
        QVERIFY(exchange.world.cookieLookups.isEmpty()); // the API gets no browser cookies
    }

    // Each answer is taken as it comes, never retried.
    void exchange()
    {
        const AgentConfig config{u"AQVN-key"_qs, u"b1g-folder"_qs, u"fvt-prompt"_qs, endpoint};
        const QByteArray usable = answering(stalkerJSON);
        const QString auth = u"network: Yandex AI auth failed (check API key / folder in Settings)"_qs;
        const QString http = u"network: Yandex AI HTTP "_qs, ok = u"ok: Stalker"_qs, a179(179, u'a');
        const auto withError = [](const QJsonObject &error) { return answering(stalkerJSON, {{u"error"_qs, error}}); };
        const QList<std::tuple<int, QByteArray, QString>> cases{{0, {}, u"network: The request was cancelled."_qs},
            {401, usable, auth}, {429, usable, u"network: Yandex AI rate limited (retry)"_qs},
            {503, " \r\n\t ", http + u"503"_qs}, {500, "bad \xff\xfe body", http + u"500"_qs},
            {502, "  " + QByteArray(200, 'x') + "  ", http + u"502: "_qs + QString(180, u'x')},
            // The 180-character preview never cuts an accent from its letter, nor a surrogate pair.
            {500, (a179 + u"e\u0301zz"_qs).toUtf8(), http + u"500: "_qs + a179 + u"e\u0301"_qs},
            {500, (a179 + u"😀b"_qs).toUtf8(), http + u"500: "_qs + a179 + u"😀"_qs},
            {201, usable, ok}, {200, "<html>", u"parseFailed"_qs},
            {200, R"({"output":[]})", u"parseFailed"_qs},
            {200, withError({{u"message"_qs, u" Folder not found"_qs}}), u"network:  Folder not found"_qs},
            {200, withError({{u"message"_qs, QString()}}), ok}};
        QStringList seen, wanted;
        for (const auto &[status, body, expected] : cases) {
            Exchange exchange(fakes::answer(status, body));
            if (status == 0) // no HTTP answer
                exchange.transport->responder = [](const HttpRequest &) -> HttpResponse {
                    throw TransportError(u"The request was cancelled."_qs);
                };
            const QString row = u"%1 %2: "_qs.arg(status).arg(QString::fromUtf8(body.left(30)));
            const QString answer = describe(fakes::run(askAgent(config, u"Stalker"_qs, exchange.lookup)));
            seen << row + answer + u" x"_qs + QString::number(exchange.transport->requests.size());
            wanted << row + expected + u" x1"_qs;
        }
        QCOMPARE(seen, wanted);
    }

    // The settings are read afresh at each call, raw as another writer may have left them; a blank endpoint is
    // the default one.
    void throughSettings()
    {
        QSettings settings(u"Tolvane"_qs, u"Tolvane"_qs);
        settings.setValue(AppSettings::yandexAIAPIKey, u" k\n"_qs);
        settings.setValue(AppSettings::yandexAIFolderID, u" f "_qs);
        settings.setValue(AppSettings::yandexAIPromptID, u"p"_qs);
        settings.setValue(AppSettings::yandexAIEndpointURL, u"   "_qs);
        settings.sync();
        Exchange exchange;
        QCOMPARE(describe(fakes::run(askAgent(agentConfigFromSettings(), u"Stalker 1979"_qs, exchange.lookup))),
            u"ok: Stalker"_qs);
        const HttpRequest sent = exchange.transport->requests.value(0);
        QCOMPARE(sent.url, QUrl(AppSettings::defaultYandexEndpoint));
        QCOMPARE(sent.header("Authorization") + ' ' + sent.header("OpenAI-Project"), QByteArray("Api-Key k f"));
        QCOMPARE(sent.body, QByteArray(R"({"prompt":{"id":"p"},"input":"Stalker 1979"})"));
    }

    // A known key of the wrong type fails the whole decode; null counts as absent, unknown keys are ignored.
    void responseBody()
    {
        for (const char *body :
            {R"({"output_text":null,"output":null,"error":null})", R"({"id":"r1","status":7,"usage":{"x":[1]}})",
                R"({"output":[{"content":null,"id":1},{"content":[{"type":null,"text":null}]}]})"})
            QVERIFY2(YandexAIStudioClient::decodeResponseBody(body), body);
        for (const char *body : {"[{}]", R"({"error":{"message":5}})", R"({"output":{}})", R"({"output":[null]})",
                 R"({"output":[{"content":["x"]}]})", R"({"output":[{"content":[{"type":1,"text":"x"}]}]})",
                 R"({"output_text":true})"})
            QVERIFY2(!YandexAIStudioClient::decodeResponseBody(body), body);

        // The output_text parts of the output, else output_text itself; "-": none.
        const auto withParts = [](const QByteArray &parts) {
            return R"({"output_text":" C \n","output":[{"content":[)" + parts + "]}]}";
        };
        QStringList seen;
        for (const QByteArray &body :
            {QByteArray(R"({"output_text":"C","output":[{"content":[{"type":"output_text","text":" A\n"},)"
                        R"({"type":"refusal","text":"R"}]},{},{"content":[{"text":"B"}]}]})"),
                withParts(R"({"type":"Output_Text","text":"R"})"), withParts(R"({"type":"output_text","text":" \n "})"),
                withParts(R"({"type":"output_text"})"), QByteArray(R"({"output_text":" \n","output":[]})")}) {
            const std::optional<ResponseBody> decoded = YandexAIStudioClient::decodeResponseBody(body);
            QVERIFY2(decoded, body.constData());
            seen << YandexAIStudioClient::extractOutputText(decoded->outputText, decoded->output).value_or(u"-"_qs);
        }
        QCOMPARE(seen, (QStringList{u"A\nB"_qs, u"C"_qs, u"C"_qs, u"C"_qs, u"-"_qs})); // the type is compared exactly
    }

    // Results read "title year confidence notes [alt titles]", "-" for what is absent.
    void parseAgentAnswer()
    {
        const auto parsed = [](const QString &text) {
            try {
                const AgentResult r = YandexAIStudioClient::parseAgentAnswer(text);
                const auto orDash = [](const auto &value) { return value ? u"%1"_qs.arg(*value) : u"-"_qs; };
                return u"%1 %2 %3 %4 [%5]"_qs.arg(
                           r.title, orDash(r.year), orDash(r.confidence), orDash(r.notes), r.altTitles.join(u'|'))
                    + (r.rawOutput == text ? QString() : u" (raw output lost)"_qs);
            } catch (const LookupError &error) {
                return describe(error);
            }
        };
        const auto withYear = [](const QString &v) { return uR"({"title":"Stalker","year":)"_qs + v + u"}"_qs; };
        const auto withAlt = [](const QString &v) { return uR"({"title":"Stalker","alt_titles":)"_qs + v + u"}"_qs; };
        const QString unknown = u"network: Yandex AI: unknown title"_qs;
        const QList<std::pair<QString, QString>> cases{
            {u"```json\n{\"title\": \"Сталкер\", \"year\": 1979, \"confidence\": 0.92, \"notes\": null, "
             u"\"alt_titles\": [\"Stalker\", \"сталкер\", \"  \"]}\n```"_qs,
                u"Сталкер 1979 0.92 - [Stalker]"_qs},
            {uR"(Answer: {"title":" Stalker\n","notes":"  ","alt_titles":[" A ","A","STALKER"]} Done.)"_qs,
                u"Stalker - - - [A|A]"_qs},
            // A year: an integral number, else the first four ASCII digits of a string.
            {withYear(u"\"1979–1980\""_qs), u"Stalker 1979 - - []"_qs},
            {withYear(u"\"19-99\""_qs), u"Stalker 1999 - - []"_qs},
            {withYear(u"1979.5"_qs), u"Stalker - - - []"_qs},
            {withYear(u"\"١٩٧٩\""_qs), u"Stalker - - - []"_qs},
            {withAlt(u"\" Сталкер \""_qs), u"Stalker - - - [Сталкер]"_qs}, 
            {withAlt(u"[\"a\", 1]"_qs), u"Stalker - - - []"_qs},
            {uR"({"title":"Stalker","confidence":"high"})"_qs, u"parseFailed"_qs},
            {uR"({"title":"Stalker","notes":[]})"_qs, u"parseFailed"_qs},
            {u"I do not know this film."_qs, u"parseFailed"_qs}, {u"} nothing {"_qs, u"parseFailed"_qs},
            {uR"({"title":null,"notes":" Several films match: Solaris (1972), Solaris (2002) "})"_qs,
                u"network: Several films match: Solaris (1972), Solaris (2002)"_qs},
            {uR"({"title":"NULL","alt_titles":["x"]})"_qs, unknown}, {uR"({"title":" ","notes":"\n"})"_qs, unknown},
            {u"НЕ МОГУ ОБСУЖДАТЬ. "_qs + stalkerJSON, refusal}, {stalkerJSON + u" I Can't Discuss this"_qs, refusal},
            {uR"({"title":"Stalker","notes":"I can’t discuss the plot"})"_qs, // a curly apostrophe is no refusal
                u"Stalker - - I can’t discuss the plot []"_qs}};
        QStringList seen, wanted;
        for (const auto &[text, expected] : cases) {
            seen << text + u" => "_qs + parsed(text);
            wanted << text + u" => "_qs + expected;
        }
        QCOMPARE(seen, wanted);
    }

    void prompt()
    {
        // Built into the program: a missing resource entry would leave the prompt empty.
        const std::optional<QString> text = loadPromptResource();
        QVERIFY(text && text->contains(u"\"alt_titles\""_qs));
    }
};

QTEST_GUILESS_MAIN(TestYandexAI)
#include "tst_yandexai.moc"