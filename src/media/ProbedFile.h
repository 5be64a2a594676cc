#pragma once

#include <QString>

#include <optional>

namespace tolvane {

/// What a summary falls back to when a source leaves it out: the file system's size of the file
/// (none when unknown) and its extension (without the dot, any case).
struct ProbedFile {
    std::optional<qint64> size;
    QString extension;
};

} // namespace tolvane
