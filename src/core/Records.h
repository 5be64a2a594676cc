#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <array>
#include <optional>

namespace tolvane {

/// An identity no other row of this process has: a random base drawn once, then a counter. Far
/// cheaper than a random UUID per row, which matters when an intake makes thousands of rows.
QUuid uniqueID();

/// The lookup engines. Declaration order is the priority order everywhere.
enum class SearchEngine { yandexAI, vkvideo, duckDuckGo };

inline constexpr std::array<SearchEngine, 3> allSearchEngines{
    SearchEngine::yandexAI, SearchEngine::vkvideo, SearchEngine::duckDuckGo};

/// How a renamed film is laid out: Tolvane's own flat name, or the folder and file names a media
/// server identifies a film by.
enum class LibraryLayout { flat, jellyfin, plex, kodi };

/// "flat", "jellyfin", "plex", "kodi": the settings' and the command line's values.
QString layoutKey(LibraryLayout layout);
/// The layout a value names, ignoring letter case; none for anything else.
std::optional<LibraryLayout> layoutFromKey(QStringView key);

/// Display name, also the stable identity of the engine in saved output.
QString rawValue(SearchEngine engine);

/// Where a match comes from; `yandexAI` is an AI answer without a catalog page.
enum class CatalogSite { yandexAI, tmdb, kinopoisk, vkvideo };

inline constexpr std::array<CatalogSite, 4> allCatalogSites{
    CatalogSite::yandexAI, CatalogSite::tmdb, CatalogSite::kinopoisk, CatalogSite::vkvideo};

QString rawValue(CatalogSite site);

/// One film as an engine proposes it.
struct MovieMatch {
    QString title;
    std::optional<int> year;
    std::optional<QUrl> pageURL;
    CatalogSite site = CatalogSite::tmdb;
    QString sourceQuery;
    SearchEngine engine = SearchEngine::duckDuckGo;
    std::optional<QString> notes;
    QStringList altTitles;
    /// The alternative chosen to appear in the file name; absent means title only.
    std::optional<QString> selectedAltTitle;

    bool operator==(const MovieMatch &) const = default;
};

/// Outcome of one engine for one row: pending, success with a match, or failed with a message.
class EngineReplyStatus {
public:
    enum class Kind { pending, success, failed };

    static EngineReplyStatus pending() { return {}; }
    static EngineReplyStatus success(MovieMatch match);
    static EngineReplyStatus failed(QString message);

    Kind kind() const { return m_kind; }
    bool isSuccess() const { return m_kind == Kind::success; }
    /// The match of a success, otherwise null.
    const MovieMatch *match() const { return m_kind == Kind::success ? &m_match : nullptr; }
    /// The message of a failure, otherwise empty.
    const QString &message() const { return m_message; }

    bool operator==(const EngineReplyStatus &other) const;

private:
    Kind m_kind = Kind::pending;
    MovieMatch m_match;
    QString m_message;
};

/// One engine's reply on a row. A row never holds two replies of one engine.
struct EngineReply {
    SearchEngine engine = SearchEngine::yandexAI;
    EngineReplyStatus status;
    QList<MovieMatch> candidates;

    bool operator==(const EngineReply &) const = default;
};

/// The first engine, in priority order, with a successful reply in `replies`.
std::optional<SearchEngine> preferredSuccessfulEngine(const QList<EngineReply> &replies);

/// A row's lookup state; `failed` carries the message shown to the user.
class LookupStatus {
public:
    enum class Kind { idle, searching, ready, failed };

    static LookupStatus idle() { return LookupStatus(Kind::idle); }
    static LookupStatus searching() { return LookupStatus(Kind::searching); }
    static LookupStatus ready() { return LookupStatus(Kind::ready); }
    static LookupStatus failed(QString message);

    LookupStatus() = default;
    Kind kind() const { return m_kind; }
    const QString &message() const { return m_message; }

    bool operator==(const LookupStatus &other) const;

private:
    explicit LookupStatus(Kind kind)
        : m_kind(kind)
    {
    }
    Kind m_kind = Kind::idle;
    QString m_message;
};

/// One line of a file's technical summary.
struct MediaInfoRow {
    QUuid id = uniqueID();
    QString key;
    QString value;

    bool operator==(const MediaInfoRow &) const = default;
};

} // namespace tolvane
