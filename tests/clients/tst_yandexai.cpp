#include "../lookup/LookupFakes.h"

#include "app/AppSettings.h"
#include "clients/AgentPrompt.h"
#include "clients/YandexAIStudioClient.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace tolvane::YandexAIStudioClient;

namespace tolvane::YandexAIStudioClient {

char *toString(const AgentResult &result)
{
    const QString text = u"{title=%1 year=%2 confidence=%3 notes=%4 alt=[%5] raw=%6}"_qs.arg(result.title,
        result.year ? QString::number(*result.year) : u"-"_qs,
        result.confidence ? QString::number(*result.confidence) : u"-"_qs, result.notes.value_or(u"-"_qs),
        result.altTitles.join(u"|"_qs), result.rawOutput);
    return qstrdup(text.toUtf8().constData());
}

} // namespace tolvane::YandexAIStudioClient

namespace {

const QString endpoint = u"http://127.0.0.1:9/v1/responses"_qs;
const QString refusal = u"network: Yandex AI refused the query (try extra tokens / year)"_qs;
const QString stalkerJSON = uR"({"title": "Stalker", "year": 1979})"_qs;

AgentConfig validConfig()
{
    return {u"AQVN-key"_qs, u"b1g-folder"_qs, u"fvt-prompt"_qs, endpoint};
}

QString describe(const LookupError &error)
{
    switch (error.kind()) {
    case LookupError::Kind::network:
        return u"network: "_qs + error.description();
    case LookupError::Kind::emptyQuery:
        return u"emptyQuery"_qs;
    case LookupError::Kind::noCatalogResult:
        return u"noCatalogResult"_qs;
    case LookupError::Kind::missingAPIKey:
        return u"missingAPIKey"_qs;
    case LookupError::Kind::parseFailed:
        return u"parseFailed"_qs;
    }
    return {};
}

/// "ok: <title>" or the failure, with its kind.
QString describe(const fakes::Outcome<AgentResult> &outcome)
{
    return outcome.error ? describe(*outcome.error) : u"ok: "_qs + outcome.value->title;
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

/// A 200 body whose output_text is `answer`.
QByteArray answering(const QString &answer)
{
    return json({{u"output_text"_qs, answer}});
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

class FakeDesktop : public DesktopServices {
public:
    QStringList clipboard;

    std::optional<QList<QUrl>> chooseFilesAndFolders(const QString &, const QString &) override { return {}; }
    void revealFiles(const QList<QUrl> &) override { }
    void openUrl(const QUrl &) override { }
    void setClipboardText(const QString &text) override { clipboard.append(text); }
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
    void checksBeforeSending_data()
    {
        QTest::addColumn<AgentConfig>("config");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        const AgentConfig valid = validConfig();
        const auto with = [&](auto member, const QString &value) {
            AgentConfig config = valid;
            config.*member = value;
            return config;
        };
        QTest::newRow("nothing set") << AgentConfig{} << QString() << u"missingAPIKey"_qs;
        QTest::newRow("key of white space")
            << with(&AgentConfig::apiKey, u" \n\t"_qs) << u"x"_qs << u"missingAPIKey"_qs;
        QTest::newRow("key before folder")
            << AgentConfig{QString(), QString(), u"p"_qs, endpoint} << u"x"_qs << u"missingAPIKey"_qs;
        QTest::newRow("folder before prompt") << AgentConfig{u"k"_qs, u"  "_qs, QString(), u"nonsense"_qs} << QString()
                                              << u"network: Yandex AI folder ID not set (Settings)"_qs;
        QTest::newRow("prompt") << with(&AgentConfig::promptID, u"\n"_qs) << u"x"_qs
                                << u"network: Yandex AI prompt ID not set (Settings)"_qs;
        const QString badEndpoint = u"network: Yandex AI endpoint URL invalid (Settings)"_qs;
        QTest::newRow("endpoint without scheme")
            << with(&AgentConfig::endpoint, u"example.com/v1"_qs) << u"x"_qs << badEndpoint;
        QTest::newRow("endpoint with a space in the host")
            << with(&AgentConfig::endpoint, u"http://exa mple.com/v1"_qs) << u"x"_qs << badEndpoint;
        QTest::newRow("blank endpoint given directly")
            << with(&AgentConfig::endpoint, u" "_qs) << u"x"_qs << badEndpoint;
        QTest::newRow("endpoint before input") << with(&AgentConfig::endpoint, u"::"_qs) << u" "_qs << badEndpoint;
        QTest::newRow("blank input") << valid << u" \n\t "_qs << u"emptyQuery"_qs;
    }
    void checksBeforeSending()
    {
        QFETCH(AgentConfig, config);
        QFETCH(QString, input);
        Exchange exchange;
        QTEST(describe(fakes::run(askAgentWith(config, input, exchange.lookup))), "expected");
        QVERIFY(exchange.transport->requests.isEmpty());
    }

    void request()
    {
        Exchange exchange;
        const auto cancellation = std::make_shared<CancellationHandle>();
        const AgentConfig padded{u" AQVN-key\n"_qs, u"\tb1g-folder "_qs, u" fvt-prompt "_qs, u"  "_qs + endpoint};
        const QString input = u"\n filename: Ёлки \"2\".mkv\nstem: Ёлки 2\t\n"_qs;
        const auto outcome = fakes::run(askAgentWith(padded, input, exchange.lookup, cancellation));
        QCOMPARE(describe(outcome), u"ok: Stalker"_qs);

        QCOMPARE(exchange.transport->requests.size(), 1);
        const HttpRequest &sent = exchange.transport->requests[0];
        QCOMPARE(sent.method, QByteArray("POST"));
        QCOMPARE(sent.url, QUrl(endpoint));
        const QList<HttpHeader> headers{{"Content-Type", "application/json"}, {"Authorization", "Api-Key AQVN-key"},
            {"OpenAI-Project", "b1g-folder"}};
        QCOMPARE(sent.headers, headers);
        const QByteArray body
            = "{\"prompt\":{\"id\":\"fvt-prompt\"},\"input\":\"filename: Ёлки \\\"2\\\".mkv\\nstem: Ёлки 2\"}";
        QCOMPARE(sent.body, body);
        QCOMPARE(sent.idleTimeout, std::chrono::milliseconds(45000));
        QCOMPARE(sent.totalTimeout, std::chrono::milliseconds(40000));
        QCOMPARE(sent.cancellation, cancellation);
        QVERIFY(exchange.world.cookieLookups.isEmpty()); // the API gets no browser cookies
    }

    void transportFailure()
    {
        Exchange exchange;
        exchange.transport->responder
            = [](const HttpRequest &) -> HttpResponse { throw TransportError(u"The request was cancelled."_qs); };
        QCOMPARE(describe(fakes::run(askAgentWith(validConfig(), u"x"_qs, exchange.lookup))),
            u"network: The request was cancelled."_qs);
        QCOMPARE(exchange.transport->requests.size(), 1);
    }

    void exchange_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        const QByteArray usable = answering(stalkerJSON);
        const QString auth = u"network: Yandex AI auth failed (check API key / folder in Settings)"_qs;
        QTest::newRow("401") << 401 << usable << auth;
        QTest::newRow("403") << 403 << QByteArray() << auth;
        QTest::newRow("429") << 429 << usable << u"network: Yandex AI rate limited (retry)"_qs;
        QTest::newRow("500, empty body") << 500 << QByteArray() << u"network: Yandex AI HTTP 500"_qs;
        QTest::newRow("503, blank body") << 503 << QByteArray(" \r\n\t ") << u"network: Yandex AI HTTP 503"_qs;
        QTest::newRow("500, not UTF-8") << 500 << QByteArray("bad \xff\xfe body") << u"network: Yandex AI HTTP 500"_qs;
        QTest::newRow("502, long body") << 502 << "  " + QByteArray(200, 'x') + "  "
                                        << u"network: Yandex AI HTTP 502: "_qs + QString(180, u'x');
        const QString a179(179, u'a');
        QTest::newRow("accent kept whole")
            << 500 << (a179 + u"e\u0301zz"_qs).toUtf8() << u"network: Yandex AI HTTP 500: "_qs + a179 + u"e\u0301"_qs;
        QTest::newRow("surrogate pair kept whole")
            << 500 << (a179 + u"😀b"_qs).toUtf8() << u"network: Yandex AI HTTP 500: "_qs + a179 + u"😀"_qs;
        QTest::newRow("199") << 199 << QByteArray(" early ") << u"network: Yandex AI HTTP 199: early"_qs;
        QTest::newRow("201") << 201 << usable << u"ok: Stalker"_qs;
        QTest::newRow("200, garbage") << 200 << QByteArray("<html>") << u"parseFailed"_qs;
        QTest::newRow("200, wrong type") << 200 << QByteArray(R"({"error":"x","output_text":"{}"})")
                                         << u"parseFailed"_qs;
        QTest::newRow("200, no output") << 200 << QByteArray(R"({"output":[]})") << u"parseFailed"_qs;
        QTest::newRow("error message wins")
            << 200
            << json({{u"error"_qs, QJsonObject{{u"message"_qs, u" Folder not found"_qs}}},
                   {u"output_text"_qs, stalkerJSON}})
            << u"network:  Folder not found"_qs;
        QTest::newRow("empty error message")
            << 200 << json({{u"error"_qs, QJsonObject{{u"message"_qs, QString()}}}, {u"output_text"_qs, stalkerJSON}})
            << u"ok: Stalker"_qs;
        QTest::newRow("error without message")
            << 200 << json({{u"error"_qs, QJsonObject()}, {u"output_text"_qs, stalkerJSON}}) << u"ok: Stalker"_qs;
        QTest::newRow("refusal") << 200 << answering(u"Не могу обсуждать эту тему."_qs) << refusal;
    }
    void exchange()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        Exchange exchange(fakes::answer(status, body));
        QTEST(describe(fakes::run(askAgentWith(validConfig(), u"Stalker"_qs, exchange.lookup))), "expected");
        QCOMPARE(exchange.transport->requests.size(), 1); // never retried
    }

    // The settings are read afresh at each call and trimmed; a blank endpoint is the default one.
    void throughSettings_data()
    {
        QTest::addColumn<QStringList>("stored"); // key, folder, prompt, endpoint; a null string is not stored
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("url");
        QTest::newRow("folder and prompt but no key")
            << QStringList{QString(), u"f"_qs, u"p"_qs, QString()} << u"missingAPIKey"_qs << QString();
        QTest::newRow("blank endpoint") << QStringList{u"k"_qs, u"f"_qs, u"p"_qs, u"   "_qs} << u"ok: Stalker"_qs
                                        << AppSettings::defaultYandexEndpoint;
        QTest::newRow("padded values") << QStringList{u" k\n"_qs, u" f "_qs, u" p "_qs, u" "_qs + endpoint + u" "_qs}
                                       << u"ok: Stalker"_qs << endpoint;
        QTest::newRow("endpoint without scheme")
            << QStringList{u"k"_qs, u"f"_qs, u"p"_qs, u"example.com/v1"_qs}
            << u"network: Yandex AI endpoint URL invalid (Settings)"_qs << QString();
    }
    void throughSettings()
    {
        QFETCH(QStringList, stored);
        QFETCH(QString, url);
        // Written raw, as another writer might have left them; the client trims.
        QSettings settings(u"Tolvane"_qs, u"Tolvane"_qs);
        const QStringList keys{AppSettings::yandexAIAPIKey, AppSettings::yandexAIFolderID,
            AppSettings::yandexAIPromptID, AppSettings::yandexAIEndpointURL};
        for (int i = 0; i < keys.size(); ++i) {
            if (!stored[i].isNull())
                settings.setValue(keys[i], stored[i]);
        }
        settings.sync();

        Exchange exchange;
        QTEST(describe(fakes::run(askAgent(u"Stalker 1979"_qs, exchange.lookup))), "expected");
        QCOMPARE(exchange.transport->requests.size(), url.isEmpty() ? 0 : 1);
        if (!url.isEmpty()) {
            const HttpRequest &sent = exchange.transport->requests[0];
            QCOMPARE(sent.url, QUrl(url));
            QCOMPARE(sent.header("Authorization"), QByteArray("Api-Key k"));
            QCOMPARE(sent.header("OpenAI-Project"), QByteArray("f"));
            const QByteArray body = R"({"prompt":{"id":"p"},"input":"Stalker 1979"})";
            QCOMPARE(sent.body, body);
        }
    }

    void decodeResponseBody_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("not JSON") << QByteArray("<html>") << false;
        QTest::newRow("array") << QByteArray("[{}]") << false;
        QTest::newRow("string") << QByteArray(R"("x")") << false;
        QTest::newRow("deeply nested") << QByteArray(100000, '[') << false;
        QTest::newRow("empty object") << QByteArray("{}") << true;
        QTest::newRow("nulls") << QByteArray(R"({"output_text":null,"output":null,"error":null})") << true;
        QTest::newRow("unknown keys") << QByteArray(R"({"id":"r1","status":7,"usage":{"x":[1]}})") << true;
        QTest::newRow("content null") << QByteArray(R"({"output":[{"content":null,"id":1}]})") << true;
        QTest::newRow("part of nulls") << QByteArray(R"({"output":[{"content":[{"type":null,"text":null}]}]})") << true;
        QTest::newRow("error a string") << QByteArray(R"({"error":"x"})") << false;
        QTest::newRow("error message a number") << QByteArray(R"({"error":{"message":5}})") << false;
        QTest::newRow("output an object") << QByteArray(R"({"output":{}})") << false;
        QTest::newRow("output item null") << QByteArray(R"({"output":[null]})") << false;
        QTest::newRow("content a string") << QByteArray(R"({"output":[{"content":"x"}]})") << false;
        QTest::newRow("part a string") << QByteArray(R"({"output":[{"content":["x"]}]})") << false;
        QTest::newRow("text a number") << QByteArray(R"({"output":[{"content":[{"type":"output_text","text":5}]}]})")
                                       << false;
        QTest::newRow("type a number") << QByteArray(R"({"output":[{"content":[{"type":1,"text":"x"}]}]})") << false;
        QTest::newRow("output_text a bool") << QByteArray(R"({"output_text":true})") << false;
    }
    void decodeResponseBody()
    {
        QFETCH(QByteArray, body);
        QTEST(YandexAIStudioClient::decodeResponseBody(body).has_value(), "decodes");
    }

    void extractOutputText_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<QString>>("expected");
        const auto withParts = [](const QByteArray &parts) {
            return R"({"output_text":" C \n","output":[{"content":[)" + parts + "]}]}";
        };
        const std::optional<QString> fallback(u"C"_qs);
        QTest::newRow("parts over output_text")
            << QByteArray(R"({"output_text":"C","output":[{"content":[{"type":"output_text","text":" A\n"},)"
                          R"({"type":"refusal","text":"R"}]},{},{"content":[{"text":"B"}]}]})")
            << std::optional(u"A\nB"_qs);
        QTest::newRow("other types fall back") << withParts(R"({"type":"reasoning","text":"R"})") << fallback;
        QTest::newRow("type compared exactly") << withParts(R"({"type":"Output_Text","text":"R"})") << fallback;
        QTest::newRow("blank parts ignored") << withParts(R"({"type":"output_text","text":" \n "})") << fallback;
        QTest::newRow("part without text") << withParts(R"({"type":"output_text"})") << fallback;
        QTest::newRow("blank output_text")
            << QByteArray(R"({"output_text":" \n","output":[]})") << std::optional<QString>();
        QTest::newRow("nothing") << QByteArray("{}") << std::optional<QString>();
    }
    void extractOutputText()
    {
        QFETCH(QByteArray, body);
        const std::optional<ResponseBody> decoded = YandexAIStudioClient::decodeResponseBody(body);
        QVERIFY(decoded);
        QTEST(YandexAIStudioClient::extractOutputText(decoded->outputText, decoded->output), "expected");
    }

    void parseAgentAnswer_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<AgentResult>("expected"); // title, year, confidence, notes, alt titles; raw is the text

        const auto result = [](const QString &title, std::optional<int> year, std::optional<double> confidence = {},
                                std::optional<QString> notes = {}, QStringList alt = {}) {
            return AgentResult{title, year, confidence, std::move(notes), std::move(alt), QString()};
        };
        const auto withYear = [](const QString &year) { return uR"({"title":"Stalker","year":)"_qs + year + u"}"_qs; };
        const auto withAlt
            = [](const QString &alt) { return uR"({"title":"Stalker","alt_titles":)"_qs + alt + u"}"_qs; };
        const AgentResult none;

        QTest::newRow("fenced Сталкер")
            << u"```json\n{\"title\": \"Сталкер\", \"year\": 1979, \"confidence\": 0.92, "
               u"\"notes\": null, \"alt_titles\": [\"Stalker\", \"сталкер\", \"  \"]}\n```"_qs
            << QString() << result(u"Сталкер"_qs, 1979, 0.92, {}, {u"Stalker"_qs});
        QTest::newRow("prose around, padding trimmed")
            << uR"(Answer: {"title":" Stalker\n","notes":"  ","alt_titles":[" A ","A","STALKER"]} Done.)"_qs
            << QString() << result(u"Stalker"_qs, {}, {}, {}, {u"A"_qs, u"A"_qs});

        const std::optional<int> noYear;
        const QList<std::pair<QString, std::optional<int>>> years{{u"\"1979\""_qs, 1979}, {u"\"1979–1980\""_qs, 1979},
            {u"1979.5"_qs, noYear}, {u"true"_qs, noYear}, {u"\"1999 г.\""_qs, 1999}, {u"\"(2004)\""_qs, 2004},
            {u"\"19-99\""_qs, 1999}, {u"\"199\""_qs, 199}, {u"\"n/a\""_qs, noYear}, {u"1979.0"_qs, 1979},
            {u"1e12"_qs, noYear}, {u"[1979]"_qs, noYear}, {u"\"١٩٧٩\""_qs, noYear}, {u"\"0042\""_qs, 42}};
        for (const auto &[json, year] : years)
            QTest::newRow(qPrintable(u"year "_qs + json)) << withYear(json) << QString() << result(u"Stalker"_qs, year);

        QTest::newRow("alt titles a string")
            << withAlt(u"\" Сталкер \""_qs) << QString() << result(u"Stalker"_qs, {}, {}, {}, {u"Сталкер"_qs});
        QTest::newRow("alt titles a number") << withAlt(u"5"_qs) << QString() << result(u"Stalker"_qs, {});
        QTest::newRow("alt titles mixed") << withAlt(u"[\"a\", 1]"_qs) << QString() << result(u"Stalker"_qs, {});

        const QString parseFailed = u"parseFailed"_qs;
        QTest::newRow("confidence a word") << uR"({"title":"Stalker","confidence":"high"})"_qs << parseFailed << none;
        QTest::newRow("title a number") << uR"({"title":5})"_qs << parseFailed << none;
        QTest::newRow("notes an array") << uR"({"title":"Stalker","notes":[]})"_qs << parseFailed << none;
        QTest::newRow("no JSON") << u"I do not know this film."_qs << parseFailed << none;
        QTest::newRow("braces reversed") << u"} nothing {"_qs << parseFailed << none;
        QTest::newRow("null title with notes")
            << uR"({"title":null,"notes":" Several films match: Solaris (1972), Solaris (2002) "})"_qs
            << u"network: Several films match: Solaris (1972), Solaris (2002)"_qs << none;
        QTest::newRow("NULL title") << uR"({"title":"NULL","alt_titles":["x"]})"_qs
                                    << u"network: Yandex AI: unknown title"_qs << none;
        QTest::newRow("blank title, blank notes")
            << uR"({"title":" ","notes":"\n"})"_qs << u"network: Yandex AI: unknown title"_qs << none;

        QTest::newRow("Russian refusal in capitals") << u"НЕ МОГУ ОБСУЖДАТЬ. "_qs + stalkerJSON << refusal << none;
        QTest::newRow("can't discuss") << stalkerJSON + u" I Can't Discuss this"_qs << refusal << none;
        QTest::newRow("cannot discuss") << u"CANNOT DISCUSS"_qs << refusal << none;
        QTest::newRow("curly apostrophe is no refusal")
            << uR"({"title":"Stalker","notes":"I can’t discuss the plot"})"_qs << QString()
            << result(u"Stalker"_qs, {}, {}, u"I can’t discuss the plot"_qs);
    }
    void parseAgentAnswer()
    {
        QFETCH(QString, text);
        QFETCH(QString, failure);
        QFETCH(AgentResult, expected);
        try {
            AgentResult result = YandexAIStudioClient::parseAgentAnswer(text);
            QCOMPARE(u"ok"_qs, failure.isEmpty() ? u"ok"_qs : failure);
            expected.rawOutput = text;
            QCOMPARE(result, expected);
        } catch (const LookupError &error) {
            QCOMPARE(describe(error), failure.isEmpty() ? u"ok"_qs : failure);
        }
    }

    void prompt()
    {
        const std::optional<QString> text = loadPromptResource();
        QVERIFY(text && !text->trimmed().isEmpty());
        for (const char *key : {"\"title\"", "\"year\"", "\"confidence\"", "\"notes\"", "\"alt_titles\"",
                 "year_hint:", "extra_tokens:", "hint: transliterated Russian movie filename; restore Cyrillic title"})
            QVERIFY2(text->contains(QLatin1String(key)), key);

        FakeDesktop desktop;
        QVERIFY(copyPromptToClipboard(desktop));
        QCOMPARE(desktop.clipboard, QStringList{*text});
    }
};

QTEST_GUILESS_MAIN(TestYandexAI)
#include "tst_yandexai.moc"
