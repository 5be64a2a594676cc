#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace tolvane {

/// Where command-line tools are looked for.
struct ToolSearch {
    /// Tried in order; the first holding an executable file of the name wins.
    QStringList directories;
    /// Whether to ask /usr/bin/which (the user's PATH) when no directory holds the tool.
    bool askWhich = true;

    /// The fixed directories, then `which`. When TOLVANE_TOOL_DIRS is set (colon-separated), only its
    /// directories are searched: tests hide or fake a tool that way.
    static ToolSearch standard();
};

/// The absolute path of an installed tool; searched afresh on every call.
std::optional<QString> findTool(const QString &name, const ToolSearch &search = ToolSearch::standard());

/// A tool that runs longer is killed; probing one file never takes near this long.
inline constexpr std::chrono::milliseconds defaultToolTimeout{60'000};

/// Runs the executable with these arguments (no shell) and returns its whole standard output when
/// it exits with status 0. None when it cannot start, exits otherwise, crashes or overruns
/// `timeout`. Standard error is discarded; standard input is empty. Blocks the calling thread.
std::optional<QByteArray> runTool(
    const QString &path, const QStringList &arguments, std::chrono::milliseconds timeout = defaultToolTimeout);

} // namespace tolvane
