#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

namespace tolvane {

/// Stand-ins for every outside service the lookups reach, on one HTTP server on 127.0.0.1. Point
/// TOLVANE_TEST_SERVICES at `origin()` and the app's requests for https://HOST/PATH arrive here as
/// /HOST/PATH; each is answered from a script keyed by the text the app sent, or by a default.
///
/// Handlers run on the server's own threads; every member may be called from any thread.
class FakeServices {
public:
    enum class Service {
        ai, ///< POST to the default AI endpoint; key: the input's "stem: " value, else the whole input
        vkLogin, ///< POST to the VK login host; always a valid anonymous token
        /// The VK Video catalog search; key: the form field q. It takes only the token the fake login
        /// hands out (else API error 5).
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
        QString key; ///< what the service's scripts are looked up by
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
    /// An AI answer naming a film with confidence 0.9 and no notes.
    static Answer aiMovie(const QString &title, std::optional<int> year, const QStringList &altTitles = {});
    /// An HTTP failure with the body {"error":{"code":status,"message":message}}.
    static Answer aiHttpError(int status, const QString &message);

    // Scripts. A later script for the same key replaces the earlier one; keys are trimmed.
    // Unscripted keys get: ai HTTP 500, VK no videos, DuckDuckGo a page of no results, pages 404.

    /// The AI answer for the row whose stem is `stem`.
    void scriptAI(const QString &stem, const Answer &answer);
    /// The videos VK Video finds for `query`, in this order (the client ranks them itself).
    void scriptVK(const QString &query, const QList<Video> &videos);
    /// The DuckDuckGo page, one result per link, for a row whose query is `rowQuery`.
    void scriptDuckDuckGoRow(const QString &rowQuery, const QList<ResultLink> &links);
    /// Requests of the service wait, once received, until `release` (or the destructor).
    void hold(Service service);
    void release(Service service);

    // Records.

    QList<Received> received(Service service) const;
    /// Requests of the service received and not yet answered.
    int inFlight(Service service) const;

private:
    void script(Service service, const QString &key, const Answer &answer);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace tolvane
