#include "lookup/LookupError.h"

#include <utility>

namespace tolvane {

LookupError LookupError::network(QString message)
{
    LookupError error(Kind::network);
    error.m_message = std::move(message);
    return error;
}

QString LookupError::description() const
{
    switch (m_kind) {
    case Kind::network:
        return m_message;
    case Kind::emptyQuery:
        return LookupError::tr("Empty search query");
    case Kind::noCatalogResult:
        return LookupError::tr("No TMDB / Kinopoisk / VK Video result in search");
    case Kind::missingAPIKey:
        return LookupError::tr("Yandex AI API key not set (Settings)");
    case Kind::parseFailed:
        return LookupError::tr("Could not parse title");
    }
    return {};
}

bool LookupError::operator==(const LookupError &other) const
{
    if (m_kind != other.m_kind)
        return false;
    return m_kind != Kind::network || m_message == other.m_message;
}

} // namespace tolvane
