#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tolvane {

/// No decoded body may grow past this: a small compressed reply must not exhaust memory.
inline constexpr qsizetype maximumDecodedBodySize = 64 * 1024 * 1024;

/// Undoes a response's Content-Encoding ("gzip", "deflate", "br", "identity" or a list of them,
/// applied in the order listed). On failure returns nothing and sets `error` to a sentence.
std::optional<QByteArray> decodeContentEncoding(
    const QByteArray &body, const QByteArray &contentEncoding, QString *error);

} // namespace tolvane
