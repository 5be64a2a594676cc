#pragma once

#include "net/HttpMessage.h"

#include <QString>

namespace tolvane {

/// The request headers that make the web engines look like an ordinary browser.
struct BrowserIdentity {
    QString userAgent;
    QString accept;
    QString acceptLanguage;
    QList<HttpHeader> defaultSessionHeaders;

    /// The identity every lookup uses, built once.
    static const BrowserIdentity &standard();

    /// Sets the browser headers on `request` for a page reached from `referer`.
    void apply(HttpRequest &request, const QUrl &referer) const;
};

} // namespace tolvane
