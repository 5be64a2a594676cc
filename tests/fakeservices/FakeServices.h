#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

namespace tolvane {

/// Stand-ins for every outside service the lookups reach, on one HTTP server on 127.0.0.1. Point
/// TOLVANE_TEST_SERVICES at `origin()` and the app's requests for https://HOST/PATH arrive here as
/// /HOST/PATH; each is answered from a script keyed by the text the app sent, or by a default.
///
/// Handlers run on the server's own threads; every member may be called from any thread.
class FakeServices {
public:
    enum class Service {
        ai, ///< POST to the default AI endpoint; key: the input's "stem: " value (see aiScriptKey)
        vkLogin, ///< POST to the VK login host; always a valid anonymous token unless a fallback is set
        /// The VK Video catalog search; key: the form field q. It takes only the token the fake login
        /// hands out (else API error 5), unless vkLogin has a fallback.
        vkSearch,
        duckDuckGo, ///< GET /html/ on the DuckDuckGo HTML host; key: the query parameter q
        page, ///< any other GET, e.g. a TMDB movie page; key: host + path ("www.themoviedb.org/movie/603")
        other, ///< anything else: 404
    };

    struct Answer {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
    };

    /// One video of a VK search answer. The client reads the year from the title.
    struct Video {
        QString title;
        qint64 ownerID = 0; ///< negative for a community
        qint64 videoID = 0;
        std::optional<qint64> duration; ///< seconds
    };

    /// One result of a DuckDuckGo page: the target address and the text of its title link.
    struct ResultLink {
        QString url;
        QString text;
    };

    struct Received {
        Service service = Service::other;
        std::chrono::steady_clock::time_point at; ///< when the request arrived
        QByteArray method;
        QString host; ///< the host the app addressed, e.g. "html.duckduckgo.com"
        QString path; ///< the path on that host, decoded, e.g. "/html/"
        QByteArray query; ///< the raw query string
        QString key; ///< what the service's scripts are looked up by
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers;

        /// The first value of a header, the name compared without case; empty when absent.
        QByteArray header(const QByteArray &name) const;
    };

    /// Starts serving; throws std::runtime_error when no port on 127.0.0.1 can be had.
    FakeServices();
    /// Stops serving. Held requests are let go at once with HTTP 503.
    ~FakeServices();
    FakeServices(const FakeServices &) = delete;
    FakeServices &operator=(const FakeServices &) = delete;

    /// "http://127.0.0.1:PORT", the value for TOLVANE_TEST_SERVICES.
    QString origin() const;

    // Answers. Pure functions.

    /// A well-formed AI answer whose output text is `text` (a refusal, a fenced object…).
    static Answer aiText(const QString &text);
    /// An AI answer naming a film: the movie object with the given fields and `confidence`.
    static Answer aiMovie(const QString &title, std::optional<int> year, const QStringList &altTitles = {},
        const QString &notes = {}, double confidence = 0.9);
    /// The agent does not know the film: title null, and `notes` when not empty.
    static Answer aiUnknown(const QString &notes = {});
    /// An HTTP failure with the body {"error":{"code":status,"message":message}}.
    static Answer aiHttpError(int status, const QString &message);
    static Answer aiRaw(int status, const QByteArray &body);
    /// A search answer holding `videos` in this order (the client ranks them itself).
    static Answer vkHits(const QList<Video> &videos);
    /// An API error answer (HTTP 200 with an "error" object). Code 5 makes the client drop its token.
    static Answer vkError(int code, const QString &message);
    /// A result page for `q` in DuckDuckGo's HTML form, one result per link, each behind a
    /// //duckduckgo.com/l/?uddg= redirect; no links gives the page of no results.
    static Answer duckDuckGoPage(const QString &q, const QList<ResultLink> &links);
    /// A TMDB movie page whose og:title and title read "TITLE (YEAR)" (no year: just the title).
    static Answer tmdbPage(const QString &title, std::optional<int> year);
    static Answer notFound();

    /// The key of an AI request's input: the value of its "stem: " line trimmed, or the whole
    /// trimmed input when it has none (the app then sends the plain query).
    static QString aiScriptKey(const QString &input);
    /// The text the DuckDuckGo engine searches for a row's query.
    static QString duckDuckGoText(const QString &rowQuery);

    // Scripts. A later script for the same key replaces the earlier one; keys are trimmed.

    void scriptAI(const QString &stem, const Answer &answer);
    void scriptVK(const QString &query, const QList<Video> &videos);
    void scriptVK(const QString &query, const Answer &answer);
    /// `q` is the full text the engine sends; see scriptDuckDuckGoRow.
    void scriptDuckDuckGo(const QString &q, const QList<ResultLink> &links);
    void scriptDuckDuckGo(const QString &q, const Answer &answer);
    /// Scripts the page the engine gets for a row whose query is `rowQuery`.
    void scriptDuckDuckGoRow(const QString &rowQuery, const QList<ResultLink> &links);
    /// Scripts a GET of `pageURL` (any host; the query is ignored).
    void scriptPage(const QUrl &pageURL, const Answer &answer);
    /// Replaces the answer for unscripted keys. Built in: ai HTTP 500, vkLogin a valid token,
    /// vkSearch no videos, duckDuckGo a page of no results, page and other 404.
    void setFallback(Service service, const Answer &answer);
    /// Requests of the service wait, once received, until `release` (or the destructor).
    void hold(Service service);
    void release(Service service);

    // Records.

    QList<Received> received() const;
    QList<Received> received(Service service) const;
    int requestCount(Service service) const;
    /// Requests of the service received and not yet answered.
    int inFlight(Service service) const;
    /// The most requests of the service that were in flight at one moment.
    int maxInFlight(Service service) const;
    /// Forgets the records and in-flight maxima; scripts stay.
    void clearRecords();

private:
    void script(Service service, const QString &key, const Answer &answer);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace tolvane
