#pragma once

#include "lookup/CatalogHit.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>
#include <utility>

namespace tolvane {

/// Every link to a TMDB movie, a Kinopoisk film or series, or a VK Video video in a result page,
/// whatever its form (plain, redirect, escaped JSON, Base64 redirect), one hit per canonical page:
/// plain links first, then by position. Never fails; the cost grows linearly with the page.
QList<CatalogHit> extractCatalogHits(const QString &page);

/// The one https address of the catalog page a raw link points to, and its site; absent when the
/// link is not a movie page of a known catalog.
std::optional<std::pair<QUrl, CatalogSite>> canonicalCatalogURL(const QString &rawLink);

/// Percent-decodes `text`; absent when an escape is malformed or the bytes are not UTF-8.
std::optional<QString> percentDecoded(const QString &text);

} // namespace tolvane
