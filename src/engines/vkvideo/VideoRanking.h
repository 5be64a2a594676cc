#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// Ranking the VK Video search hits: pure functions of the hits and the query.
namespace tolvane::VKVideoAPIClient {

/// One video found by the search, pointing at its page on the VK Video web host.
struct VideoHit {
    QString title; ///< trimmed, never empty
    std::optional<int> year; ///< the first year written in the title
    QUrl pageURL; ///< https://<VK Video web host>/video<owner>_<id>
    std::optional<qint64> duration; ///< seconds
    std::optional<qint64> ownerID; ///< negative for a community
    std::optional<qint64> videoID;

    bool operator==(const VideoHit &) const = default;
};

/// The first 19xx or 20xx standing as a word of its own in a title. Stricter than the year in a
/// file name (detectedYear): a VK title's "Part2019x" or "Film_1999" is not taken as a year.
std::optional<int> yearInTitle(const QString &title);

/// How well a hit fits the query: the title's likeness to it, less trailers, reviews, series and
/// clips, plus feature length.
int score(const VideoHit &hit, const QString &trimmedQuery);

/// Best first (score, then duration), one hit per title ignoring case, at most 40.
QList<VideoHit> rankHits(QList<VideoHit> hits, const QString &trimmedQuery);

} // namespace tolvane::VKVideoAPIClient
