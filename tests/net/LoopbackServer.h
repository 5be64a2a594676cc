#pragma once

// An HTTP server on 127.0.0.1, on its own thread, for the duration of one test, and the
// compressors whose output the transport decodes. Nothing here leaves 127.0.0.1.

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <brotli/encode.h>
#include <httplib.h>
#include <zlib.h>

#include <atomic>
#include <mutex>
#include <thread>

class LoopbackServer {
public:
    struct SeenRequest {
        QByteArray method, path, query, body; // path decoded, as the server routes it; query raw
        httplib::Headers headers;
        QByteArray header(const char *name) const
        {
            const auto found = headers.find(name);
            return found == headers.end() ? QByteArray() : QByteArray::fromStdString(found->second);
        }
    };
    using Handler = std::function<void(const httplib::Request &, httplib::Response &)>;

    explicit LoopbackServer(Handler handler)
    {
        const auto route = [this, handler](const httplib::Request &request, httplib::Response &response) {
            const auto query = request.target.find('?');
            SeenRequest seen{QByteArray::fromStdString(request.method), QByteArray::fromStdString(request.path),
                query == std::string::npos ? QByteArray() : QByteArray::fromStdString(request.target.substr(query + 1)),
                QByteArray::fromStdString(request.body), request.headers};
            {
                std::lock_guard lock(m_mutex);
                m_requests.append(seen);
            }
            handler(request, response);
        };
        m_server.Get(".*", route);
        m_server.Post(".*", route);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        // stop() only reaches a server whose loop runs, so wait for it before handing the server out.
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~LoopbackServer()
    {
        m_stopping = true;
        m_server.stop();
        m_thread.join();
    }

    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QUrl url(const QString &pathAndQuery = QString()) const { return QUrl(origin() + pathAndQuery); }
    /// An address on 127.0.0.1 where a server just stopped, so connecting there is refused.
    static QUrl refusingUrl()
    {
        return LoopbackServer([](const httplib::Request &, httplib::Response &) {}).url();
    }
    QList<SeenRequest> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    /// Handlers that wait call this to learn that the test is over and they should return.
    bool isStopping() const { return m_stopping; }
    /// Blocks a handler until the test ends or `limitMs` passes.
    void holdUntilStopping(int limitMs) const
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (!m_stopping && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    QList<SeenRequest> m_requests;
};

/// zlib's windowBits: 15 + 16 for gzip, 15 for a zlib wrapper, -15 for raw deflate.
inline QByteArray deflated(const QByteArray &data, int windowBits = 15 + 16)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray output(qsizetype(deflateBound(&stream, uLong(data.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(output.data());
    stream.avail_out = uInt(output.size());
    deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    return output.left(qsizetype(stream.total_out));
}

inline QByteArray brotlied(const QByteArray &data)
{
    size_t size = BrotliEncoderMaxCompressedSize(size_t(data.size()));
    QByteArray output(qsizetype(size), '\0');
    BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT, size_t(data.size()),
        reinterpret_cast<const uint8_t *>(data.constData()), &size, reinterpret_cast<uint8_t *>(output.data()));
    return output.left(qsizetype(size));
}
