#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>

namespace tolvane {

// File names on Linux are bytes, not text. A name copied from an old disk may be Latin-1 or
// CP1251; Qt's own conversions would replace its bad bytes by U+FFFD and lose the file. Rows keep
// their file as a file URL whose path is percent-encoded from the exact bytes, so every file
// system call reaches the file, and only what is shown is decoded.

/// The exact bytes of a file URL's path (percent-decoded, never re-encoded). Empty for a URL
/// that is not a local file.
QByteArray nativePath(const QUrl &fileURL);

/// A file URL for exact path bytes; `nativePath` gives the same bytes back.
QUrl fileURL(QByteArrayView nativePath);

/// Path bytes read as text for display and search: UTF-8 when they are valid UTF-8, else CP1251
/// when the high bytes come in runs (Cyrillic words), else Latin-1. Never empty for non-empty
/// bytes and never containing U+FFFD for bytes that were not valid UTF-8.
QString readableName(QByteArrayView bytes);

/// The last component of a native path.
QByteArray nativeFileName(QByteArrayView nativePath);
/// The folder part of a native path: everything before the last "/", or "/" itself.
QByteArray nativeFolder(QByteArrayView nativePath);

} // namespace tolvane
