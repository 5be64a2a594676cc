#pragma once

#include "support/CancellationHandle.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <chrono>
#include <memory>
#include <utility>

namespace tolvane {

using HttpHeader = std::pair<QByteArray, QByteArray>;

/// The encodings the transport decodes itself, and so the ones every request asks for.
inline constexpr char acceptedEncodings[] = "gzip, deflate, br";

/// Headers every request carries unless it sets them itself.
const QList<HttpHeader> &defaultSessionHeaders();

/// Header names compare case-insensitively, as in HTTP.
bool sameHeaderName(const QByteArray &a, const QByteArray &b);

/// One request as the lookup code builds it. Headers keep their order; `setHeader` replaces.
struct HttpRequest {
    QByteArray method = "GET";
    QUrl url;
    QList<HttpHeader> headers;
    QByteArray body;
    /// Fails the request when nothing arrives for this long.
    std::chrono::milliseconds idleTimeout{std::chrono::seconds(25)};
    /// Fails the request when the whole transfer, redirects included, takes longer.
    std::chrono::milliseconds totalTimeout{std::chrono::seconds(40)};
    /// Cancelling it aborts the request in flight.
    std::shared_ptr<CancellationHandle> cancellation;

    void setHeader(const QByteArray &name, const QByteArray &value);
    void removeHeader(const QByteArray &name);
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
};

struct HttpResponse {
    int status = 0;
    /// The address that answered, after redirects (as requested, never the test rewrite).
    QUrl url;
    QList<HttpHeader> headers;
    /// Already decoded from the Content-Encoding.
    QByteArray body;

    /// The header's value, or a null array when absent.
    QByteArray header(const QByteArray &name) const;
};

} // namespace tolvane
