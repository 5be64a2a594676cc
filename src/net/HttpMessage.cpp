#include "net/HttpMessage.h"

#include <algorithm>

namespace tolvane {

bool sameHeaderName(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

static QByteArray findHeader(const QList<HttpHeader> &headers, const QByteArray &name)
{
    const auto found = std::find_if(
        headers.cbegin(), headers.cend(), [&](const HttpHeader &header) { return sameHeaderName(header.first, name); });
    return found == headers.cend() ? QByteArray() : found->second;
}

void HttpRequest::setHeader(const QByteArray &name, const QByteArray &value)
{
    const auto found = std::find_if(
        headers.begin(), headers.end(), [&](const HttpHeader &header) { return sameHeaderName(header.first, name); });
    if (found == headers.end()) {
        headers.append({name, value});
        return;
    }
    found->second = value;
    headers.erase(std::remove_if(found + 1, headers.end(),
                      [&](const HttpHeader &header) { return sameHeaderName(header.first, name); }),
        headers.end());
}

QByteArray HttpRequest::header(const QByteArray &name) const
{
    return findHeader(headers, name);
}

bool HttpRequest::hasHeader(const QByteArray &name) const
{
    return std::any_of(
        headers.cbegin(), headers.cend(), [&](const HttpHeader &header) { return sameHeaderName(header.first, name); });
}

QByteArray HttpResponse::header(const QByteArray &name) const
{
    return findHeader(headers, name);
}

} // namespace tolvane
