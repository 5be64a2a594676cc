#pragma once

#include "net/TestServices.h"
#include "net/Transport.h"

#include <QNetworkCookieJar>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

namespace tolvane {

/// The real transport: one QNetworkAccessManager with a private in-memory cookie jar, browser-like
/// default headers, idle and whole-transfer time-outs, redirects followed by hand and bodies decoded
/// here. Lives on the main thread; `send` never blocks it.
class HttpTransport final : public Transport {
public:
    /// `testOrigin`: when not empty, every request goes to this origin instead (see TestServices.h).
    explicit HttpTransport(QUrl testOrigin = testServicesOrigin());
    ~HttpTransport() override;

    /// The process-wide transport, created on first use (on the main thread) and kept to the end.
    static const std::shared_ptr<HttpTransport> &shared();

    QCoro::Task<HttpResponse> send(HttpRequest request) override;

private:
    QNetworkReply *start(const HttpRequest &request, const QUrl &url);
    void addCookieHeader(QNetworkRequest &request, const HttpRequest &source, const QUrl &url);

    QUrl m_testOrigin;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    /// Cookies that responses set during this run, keyed by the addresses as requested.
    QNetworkCookieJar m_cookieJar;
};

} // namespace tolvane
