#include "net/HttpMessage.h"

#include <algorithm>

namespace tolvane {

const QList<HttpHeader> &defaultSessionHeaders()
{
    static const QList<HttpHeader> headers{{"Accept-Encoding", acceptedEncodings}, {"Connection", "keep-alive"}};
    return headers;
}

bool sameHeaderName(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

namespace {

auto named(const QByteArray &name)
{
    return [&name](const HttpHeader &header) { return sameHeaderName(header.first, name); };
}

QByteArray findHeader(const QList<HttpHeader> &headers, const QByteArray &name)
{
    const auto found = std::find_if(headers.cbegin(), headers.cend(), named(name));
    return found == headers.cend() ? QByteArray() : found->second;
}

} // namespace

void HttpRequest::setHeader(const QByteArray &name, const QByteArray &value)
{
    const auto found = std::find_if(headers.begin(), headers.end(), named(name));
    if (found == headers.end()) {
        headers.append({name, value});
        return;
    }
    found->second = value;
    headers.erase(std::remove_if(found + 1, headers.end(), named(name)), headers.end());
}

void HttpRequest::removeHeader(const QByteArray &name)
{
    headers.removeIf(named(name));
}

QByteArray HttpRequest::header(const QByteArray &name) const
{
    return findHeader(headers, name);
}

bool HttpRequest::hasHeader(const QByteArray &name) const
{
    return std::any_of(headers.cbegin(), headers.cend(), named(name));
}

QByteArray HttpResponse::header(const QByteArray &name) const
{
    return findHeader(headers, name);
}

} // namespace tolvane
