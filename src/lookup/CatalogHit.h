#pragma once

#include "core/Records.h"

#include <QString>
#include <QUrl>

namespace tolvane {

/// One catalog page found in a search result page.
struct CatalogHit {
    QUrl pageURL;
    QString anchorText;
    CatalogSite site = CatalogSite::tmdb;

    bool operator==(const CatalogHit &) const = default;
};

} // namespace tolvane
