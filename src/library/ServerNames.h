#pragma once

#include "core/Records.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace tolvane {

/// The edition a release name announces ("Director's Cut", "Extended", "Unrated", "Theatrical",
/// "Final Cut", "Remastered", "Special Edition", "Ultimate", "IMAX", "Criterion"), read from its
/// words (dots, underscores, spaces and dashes separate them, letter case ignored). Where the name
/// has a year, only the words after it count, so a title such as "The Final Cut (2004)" is no
/// edition; "DC" counts only right after the year.
std::optional<QString> detectedEdition(const QString &nameWithoutExtension);

/// A part marker ending a name without its extension: cd, dvd, part, pt, disc or disk followed by
/// a digit 1 to 9, with or without a separator ("Film.cd1", "Film.Part.2", "Film - pt3").
struct PartMarker {
    QString word; ///< lowercased, without separator: "cd1", "part2"
    qsizetype start = 0; ///< where the marker and the separators before it begin
};
std::optional<PartMarker> partMarker(const QString &nameWithoutExtension);

/// The id of a TMDB movie page: the number that starts its last path segment (/movie/603-the-matrix).
std::optional<int> tmdbMovieId(const QUrl &page);

/// The TMDB id of `chosen`: its own page's, or that of a DuckDuckGo TMDB match that agrees with it
/// (the same year, and a title equal, ignoring letter case, to its title or one of its
/// alternative titles).
std::optional<int> tmdbIdFor(const MovieMatch &chosen, const std::optional<MovieMatch> &duckDuckGo);

/// What a media-server name is made of.
struct ServerNameParts {
    QString title; ///< the chosen match's title
    std::optional<int> year;
    std::optional<int> tmdbId;
    QString edition; ///< empty for none
    QString part; ///< "cd1", or empty
};

/// The film's folder in a server layout ("The Matrix (1999) [tmdbid-603]"); empty for the flat
/// layout or a title with nothing usable left.
QString serverFolderName(LibraryLayout layout, const ServerNameParts &parts);
/// The video's base name in a server layout (no extension): "The Matrix (1999) [tmdbid-603] - cd1".
QString serverBaseName(LibraryLayout layout, const ServerNameParts &parts);

/// The .nfo file media servers read for a film: UTF-8 XML with a <movie> root.
QByteArray movieNfo(const ServerNameParts &parts);

} // namespace tolvane
