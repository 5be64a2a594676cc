#pragma once

#include "core/Records.h"

#include <QString>

#include <optional>

namespace tolvane {

/// The new base name (no extension, spaces kept): Title[Alt](Year)_postfix, or the postfix alone
/// when `override` is set. Format characters (bidirectional controls, zero-width marks) are
/// dropped and a leading dot never starts it; a title with nothing left gives (Year)_postfix.
QString proposedBaseName(const QString &title, std::optional<int> year, const std::optional<QString> &altTitle,
    const std::optional<QString> &postfix, bool override);

/// Text from outside (a service's title, the user's postfix) as it may stand in a name: terminal
/// escape sequences, format characters (bidirectional controls, zero-width marks) and unpaired
/// surrogates removed.
QString outsideText(const QString &text);

/// A title cleaned for a file name (forbidden characters, a trailing year equal to `year`, square
/// brackets and leading dots removed); spaces kept.
QString titleForFileName(const QString &title, std::optional<int> year);

/// The base name of a match alone (its alternative title included, no postfix): what "Check"
/// searches for and what the reply lists show.
QString matchBaseName(const MovieMatch &match);

/// The postfix made safe for a file name; absent when nothing usable is left.
std::optional<QString> sanitizedPostfix(const std::optional<QString> &text);

/// `base` + "_" + the sanitized postfix, or whichever of the two is not empty.
QString appendPostfix(const QString &base, const std::optional<QString> &postfix);

/// The full proposed file name for a match: spaces become "_", the extension is lowercased.
/// Absent when the base is empty or the result would not be a single plain file name.
std::optional<QString> proposedFileName(
    const MovieMatch &match, const QString &postfix, bool override, const QString &extension);

/// One line for the reply list of a row.
QString replySummary(const EngineReply &reply);

/// True when `name` can only ever name a visible entry of the folder it is created in.
bool isPlainFileName(const QString &name);

} // namespace tolvane
