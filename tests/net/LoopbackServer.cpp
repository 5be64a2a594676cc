#include "LoopbackServer.h"

#include <brotli/encode.h>
#include <httplib.h>
#include <zlib.h>

#include <chrono>

LoopbackServer::LoopbackServer(Handler handler)
    : m_server(std::make_unique<httplib::Server>())
{
    const auto route = [this, handler](const httplib::Request &request, httplib::Response &response) {
        SeenRequest seen;
        seen.method = QByteArray::fromStdString(request.method);
        seen.path = QByteArray::fromStdString(request.path);
        const auto target = request.target.find('?');
        if (target != std::string::npos)
            seen.query = QByteArray::fromStdString(request.target.substr(target + 1));
        seen.headers = {request.headers.begin(), request.headers.end()};
        seen.body = QByteArray::fromStdString(request.body);
        {
            std::lock_guard lock(m_mutex);
            m_requests.append(seen);
        }
        handler(request, response);
    };
    m_server->Get(".*", route);
    m_server->Post(".*", route);
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // stop() only reaches a server whose loop runs, so wait for it before handing the server out.
    while (!m_server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackServer::~LoopbackServer()
{
    m_stopping = true;
    m_server->stop();
    m_thread.join();
}

QUrl LoopbackServer::url(const QString &pathAndQuery) const
{
    return QUrl(origin() + pathAndQuery);
}

QUrl LoopbackServer::refusingUrl()
{
    const LoopbackServer server([](const httplib::Request &, httplib::Response &) {});
    return server.url(QStringLiteral("/"));
}

QString LoopbackServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QList<LoopbackServer::SeenRequest> LoopbackServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void LoopbackServer::holdUntilStopping(int limitMs) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!m_stopping && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

QByteArray LoopbackServer::SeenRequest::header(const char *name) const
{
    for (const auto &[key, value] : headers) {
        if (QByteArray::fromStdString(key).compare(name, Qt::CaseInsensitive) == 0)
            return QByteArray::fromStdString(value);
    }
    return {};
}

static QByteArray deflated(const QByteArray &data, int windowBits)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray output(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(data.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(output.data());
    stream.avail_out = static_cast<uInt>(output.size());
    deflate(&stream, Z_FINISH);
    output.resize(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return output;
}

QByteArray gzipped(const QByteArray &data)
{
    return deflated(data, 15 + 16);
}
QByteArray zlibDeflated(const QByteArray &data)
{
    return deflated(data, 15);
}
QByteArray rawDeflated(const QByteArray &data)
{
    return deflated(data, -15);
}

QByteArray brotlied(const QByteArray &data)
{
    size_t size = BrotliEncoderMaxCompressedSize(static_cast<size_t>(data.size()));
    QByteArray output(static_cast<qsizetype>(size), '\0');
    BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT,
        static_cast<size_t>(data.size()), reinterpret_cast<const uint8_t *>(data.constData()), &size,
        reinterpret_cast<uint8_t *>(output.data()));
    output.resize(static_cast<qsizetype>(size));
    return output;
}
