#pragma once

// Pages built to make a link or title scanner slow: long runs without ">" or quotes, thousands of
// near-matches, and thousands of real hits whose link texts must each be looked for.

#include <QString>
#include <QStringList>

namespace tolvane::hostile {

/// Named pages of about `bytes` UTF-16 code units each.
inline QList<std::pair<QString, QString>> pages(qsizetype bytes)
{
    const auto fill = [bytes](const QString &unit) {
        QString page;
        page.reserve(bytes + unit.size());
        while (page.size() < bytes)
            page += unit;
        return page;
    };
    return {
        {QStringLiteral("open anchors, no closing bracket"), fill(QStringLiteral("<a href=x title=y "))},
        {QStringLiteral("redirect prefixes running on"),
            fill(QStringLiteral("uddg=https%3A%2F%2Fwww.themoviedb.org%2Fmovie%2F")) + QString(bytes / 4, u'x')},
        {QStringLiteral("json prefixes, no closing quote"),
            fill(QStringLiteral(R"("url":"https:\/\/www.themoviedb.org\/movie\/1)"))},
        {QStringLiteral("base64 run"), QStringLiteral("?u=a1") + QString(bytes, u'A')},
        {QStringLiteral("near misses of every form"),
            fill(QStringLiteral("https://www.themoviedb.org/tv/1 /url?q=https%3A%2F%2Fx.org "
                                "https://kinopoisk.ru/name/2/ https://vk.com/club3 ?u=a1@ \"url\":\"http:"))},
        {QStringLiteral("distinct hits with links"),
            [bytes] {
                QString page;
                for (int i = 0; page.size() < bytes; ++i)
                    page += QStringLiteral("<a href=\"https://www.themoviedb.org/movie/%1-film\">Film %1 (1999)</a>")
                                .arg(i);
                return page;
            }()},
        {QStringLiteral("meta tags, no closing bracket"),
            fill(QStringLiteral("<meta property=\"og:title\" content=\"x\" <title>"))},
    };
}

} // namespace tolvane::hostile
