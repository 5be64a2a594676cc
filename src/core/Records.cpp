#include "Records.h"

#include <atomic>

namespace tolvane {

QUuid uniqueID()
{
    static const QUuid base = QUuid::createUuid();
    static std::atomic<quint64> counter{0};
    const quint64 n = ++counter;
    QUuid id = base;
    id.data1 ^= quint32(n);
    id.data2 ^= quint16(n >> 32);
    id.data3 ^= quint16(n >> 48);
    return id;
}

QString rawValue(SearchEngine engine)
{
    switch (engine) {
    case SearchEngine::yandexAI:
        return QStringLiteral("Yandex AI");
    case SearchEngine::vkvideo:
        return QStringLiteral("VK Video");
    case SearchEngine::duckDuckGo:
        return QStringLiteral("DuckDuckGo");
    }
    return {};
}

QString rawValue(CatalogSite site)
{
    switch (site) {
    case CatalogSite::yandexAI:
        return QStringLiteral("Yandex AI");
    case CatalogSite::tmdb:
        return QStringLiteral("TMDB");
    case CatalogSite::kinopoisk:
        return QStringLiteral("Kinopoisk");
    case CatalogSite::vkvideo:
        return QStringLiteral("VK Video");
    }
    return {};
}

EngineReplyStatus EngineReplyStatus::success(MovieMatch match)
{
    EngineReplyStatus status;
    status.m_kind = Kind::success;
    status.m_match = std::move(match);
    return status;
}

EngineReplyStatus EngineReplyStatus::failed(QString message)
{
    EngineReplyStatus status;
    status.m_kind = Kind::failed;
    status.m_message = std::move(message);
    return status;
}

bool EngineReplyStatus::operator==(const EngineReplyStatus &other) const
{
    if (m_kind != other.m_kind)
        return false;
    switch (m_kind) {
    case Kind::pending:
        return true;
    case Kind::success:
        return m_match == other.m_match;
    case Kind::failed:
        return m_message == other.m_message;
    }
    return false;
}

LookupStatus LookupStatus::failed(QString message)
{
    LookupStatus status(Kind::failed);
    status.m_message = std::move(message);
    return status;
}

bool LookupStatus::operator==(const LookupStatus &other) const
{
    return m_kind == other.m_kind && (m_kind != Kind::failed || m_message == other.m_message);
}

std::optional<SearchEngine> preferredSuccessfulEngine(const QList<EngineReply> &replies)
{
    for (SearchEngine engine : allSearchEngines) {
        for (const EngineReply &reply : replies) {
            if (reply.engine == engine && reply.status.isSuccess())
                return engine;
        }
    }
    return std::nullopt;
}

namespace {

constexpr std::array<const char *, 4> layoutKeys{"flat", "jellyfin", "plex", "kodi"};

} // namespace

QString layoutKey(LibraryLayout layout)
{
    return QString::fromLatin1(layoutKeys[static_cast<size_t>(layout)]);
}

std::optional<LibraryLayout> layoutFromKey(QStringView key)
{
    for (size_t i = 0; i < layoutKeys.size(); ++i)
        if (key.compare(QLatin1String(layoutKeys[i]), Qt::CaseInsensitive) == 0)
            return static_cast<LibraryLayout>(i);
    return std::nullopt;
}

} // namespace tolvane
