#pragma once

#include <QStringList>

namespace tolvane::cli {

/// Each command takes its own arguments (after the command word) and returns the exit code.
int runScan(const QStringList &arguments);
int runSettings(const QStringList &arguments);
int runCookies(const QStringList &arguments);
int runProbe(const QStringList &arguments);
int runLookup(const QStringList &arguments);
int runRename(const QStringList &arguments);

/// Writes text as UTF-8 to standard output / standard error.
void printOut(const QString &text);
void printError(const QString &text);

} // namespace tolvane::cli
