#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

/// An HTTP server on 127.0.0.1, on its own thread, for the duration of one test.
class LoopbackServer {
public:
    struct SeenRequest {
        QByteArray method;
        QByteArray path; // decoded, as the server routes it
        QByteArray query; // the raw query string
        std::multimap<std::string, std::string> headers;
        QByteArray body;

        QByteArray header(const char *name) const;
    };
    using Handler = std::function<void(const httplib::Request &, httplib::Response &)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();

    QUrl url(const QString &pathAndQuery = QString()) const;
    /// An address on 127.0.0.1 where a server just stopped, so connecting there is refused.
    static QUrl refusingUrl();
    QString origin() const;
    QList<SeenRequest> requests() const;
    /// Handlers that wait call this to learn that the test is over and they should return.
    bool isStopping() const { return m_stopping; }
    /// Blocks a handler until the test ends or `limitMs` passes.
    void holdUntilStopping(int limitMs) const;

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    QList<SeenRequest> m_requests;
};

/// Test data compressors, the counterparts of what the transport decodes.
QByteArray gzipped(const QByteArray &data);
QByteArray zlibDeflated(const QByteArray &data);
QByteArray rawDeflated(const QByteArray &data);
QByteArray brotlied(const QByteArray &data);
