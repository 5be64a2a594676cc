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

/// The character set a response names for its body: the Content-Type header's charset parameter,
/// else a `<meta charset>` or `<meta http-equiv="Content-Type" content="…; charset=…">` among the
/// body's first 1024 bytes. Lower-cased; empty when neither names one.
QByteArray declaredCharset(const QByteArray &contentType, const QByteArray &body);

/// A text body as text. A byte-order mark means UTF-8; else the declared character set when it is
/// one we know (bad UTF-8 bytes become U+FFFD); else, undeclared, UTF-8 when the body holds more
/// well-formed multi-byte UTF-8 sequences than malformed bytes (a stray byte in a UTF-8 page
/// becomes U+FFFD), and ISO Latin-1 when it holds none.
QString decodeBodyText(const QByteArray &body, const QByteArray &contentType);

} // namespace tolvane
