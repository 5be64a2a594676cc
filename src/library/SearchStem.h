#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace tolvane {

/// True when the lowercased extension (without the dot) names a video container we accept.
bool isVideoExtension(QStringView extension);
/// The video extensions we accept, lowercase and sorted (for file dialogs' filters).
QStringList videoExtensionList();

/// The extension of a file name, without the dot. A leading dot starts a hidden name, not an extension.
QString pathExtension(const QString &fileName);

/// The file name without its last extension.
QString deletingPathExtension(const QString &fileName);

/// A search text from a file name without its extension: bracketed parts, separators,
/// release tags, resolutions and codec words removed; letter case of kept words preserved.
QString deriveSearchStem(QStringView nameWithoutExtension);

} // namespace tolvane
