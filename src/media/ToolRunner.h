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

/// A tool that prints more than this is killed: no summary is that long, and an endless output
/// must not exhaust memory.
inline constexpr qsizetype defaultToolOutputLimit = 4 * 1024 * 1024;

/// Runs the executable with these arguments (no shell), in a process group of its own, and returns
/// its whole standard output when it exits with status 0. None when it cannot start, exits
/// otherwise, crashes, overruns `timeout` or prints more than `outputLimit` bytes; in the last two
/// cases the whole group is killed, so children it left behind end with it. Standard error is
/// discarded; standard input is empty. Blocks the calling thread.
std::optional<QByteArray> runTool(const QString &path, const QStringList &arguments,
    std::chrono::milliseconds timeout = defaultToolTimeout, qsizetype outputLimit = defaultToolOutputLimit);

/// Kills the process group of every tool still running and refuses to start more (Ctrl-C, SIGTERM).
/// Safe to call from any thread; not from a signal handler.
void endRunningTools();

} // namespace tolvane
