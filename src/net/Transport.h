#pragma once

#include "net/HttpMessage.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QString>

namespace tolvane {

/// A request that got no HTTP response: no connection, a time-out, a cancellation, a body that
/// could not be decoded. Any HTTP status, 4xx and 5xx included, is a response, not this.
class TransportError {
    Q_DECLARE_TR_FUNCTIONS(TransportError)

public:
    explicit TransportError(QString message)
        : m_message(std::move(message))
    {
    }
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

/// Sends requests for the lookup engines. The app has one `HttpTransport`; tests pass fakes.
class Transport {
public:
    virtual ~Transport() = default;
    /// Resolves with the response or throws `TransportError`.
    virtual QCoro::Task<HttpResponse> send(HttpRequest request) = 0;
};

} // namespace tolvane
