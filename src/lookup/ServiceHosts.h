#pragma once

#include <QString>
#include <QUrl>

namespace tolvane::hosts {

// The outside services' host and domain names, in one place. Patterns escape them where they use them.

/// TMDB: the domain matched in links and its web host, which canonical page addresses use.
inline const QString tmdbDomain = QStringLiteral("themoviedb.org");
inline const QString tmdbWebHost = QStringLiteral("www.themoviedb.org");

/// Kinopoisk: the domain matched in links and its web host.
inline const QString kinopoiskDomain = QStringLiteral("kinopoisk.ru");
inline const QString kinopoiskWebHost = QStringLiteral("www.kinopoisk.ru");

/// VK Video's web host (video pages), its API host and the VK login host.
inline const QString vkVideoWebHost = QStringLiteral("vkvideo.ru");
inline const QString vkVideoAPIHost = QStringLiteral("api.vkvideo.ru");
inline const QString vkLoginHost = QStringLiteral("login.vk.com");

/// VK's own web host without its top-level domain; links use it under either of these.
inline const QString vkWebName = QStringLiteral("vk");
inline const QString vkWebHost = QStringLiteral("vk.com");
inline constexpr const char *vkWebTopLevelDomains[] = {"com", "ru"};

/// DuckDuckGo's HTML search, and the domain its requests are spaced under.
inline const QString duckDuckGoHTMLHost = QStringLiteral("html.duckduckgo.com");
inline const QString duckDuckGoDomain = QStringLiteral("duckduckgo.com");

/// Google's web host: catalog pages are fetched as if reached from its home page.
inline const QString googleWebHost = QStringLiteral("www.google.com");

/// https://HOST/PATH, the path taken as written (not percent-encoded).
inline QUrl httpsURL(const QString &host, const QString &path)
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    url.setPath(path, QUrl::DecodedMode);
    return url;
}

/// https://HOST/ — the root page of a host.
inline QUrl rootURL(const QString &host)
{
    return httpsURL(host, QStringLiteral("/"));
}

} // namespace tolvane::hosts
