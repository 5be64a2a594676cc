#include "engines/vkvideo/VideoRanking.h"

#include "core/Text.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace tolvane::VKVideoAPIClient {

namespace {

constexpr qint64 hitLimit = 40;

/// Words of trailers, reviews, premieres, series, episodes, clips and soundtracks: not the film.
constexpr QStringView penaltyWords[] = {
    u"трейлер",
    u"trailer",
    u"обзор",
    u"премьера",
    u"сезон",
    u"сериал",
    u"серия",
    u"клип",
    u"ost",
};

QString trimmedOfDots(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u'.')
        ++start;
    while (end > start && text[end - 1] == u'.')
        --end;
    return text.mid(start, end - start);
}

} // namespace

std::optional<int> yearInTitle(const QString &title)
{
    static const QRegularExpression year(
        QStringLiteral(R"(\b(19|20)\d{2}\b)"), QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = year.match(title);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = match.captured(0).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

int score(const VideoHit &hit, const QString &trimmedQuery)
{
    const QString query = trimmedQuery.toLower();
    const QString title = trimmedOfDots(hit.title.toLower());
    int total = 0;
    if (title == query)
        total += 50;
    if (title.contains(query))
        total += 20;
    const QStringList words = query.split(u' ', Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (graphemeCount(word) >= 3 && title.contains(word))
            total += 3;
    }
    const bool penalized = std::any_of(
        std::begin(penaltyWords), std::end(penaltyWords), [&title](QStringView word) { return title.contains(word); });
    if (penalized)
        total -= 30;
    if (hit.duration) {
        const qint64 seconds = *hit.duration;
        if (seconds >= 3600)
            total += 15;
        else if (seconds >= 2400)
            total += 8;
        else if (seconds < 600)
            total -= 10;
    }
    return total;
}

QList<VideoHit> rankHits(QList<VideoHit> hits, const QString &trimmedQuery)
{
    struct Ranked {
        VideoHit hit;
        int score;
        qint64 duration;
    };
    QList<Ranked> ranked;
    ranked.reserve(hits.size());
    for (VideoHit &hit : hits) {
        const int points = score(hit, trimmedQuery);
        const qint64 duration = hit.duration.value_or(0);
        ranked.append(Ranked{std::move(hit), points, duration});
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked &a, const Ranked &b) {
        if (a.score != b.score)
            return a.score > b.score;
        return a.duration > b.duration;
    });

    QList<VideoHit> best;
    QSet<QString> titles;
    for (Ranked &entry : ranked) {
        if (best.size() == hitLimit)
            break;
        const QString title = entry.hit.title.toLower();
        if (titles.contains(title))
            continue;
        titles.insert(title);
        best.append(std::move(entry.hit));
    }
    return best;
}

} // namespace tolvane::VKVideoAPIClient
