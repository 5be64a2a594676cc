#include "media/ToolRunner.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace tolvane {

namespace {

bool isExecutableFile(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat status { };
    return ::stat(encoded.constData(), &status) == 0 && S_ISREG(status.st_mode)
        && ::access(encoded.constData(), X_OK) == 0;
}

int waitMilliseconds(const QDeadlineTimer &deadline)
{
    return int(std::clamp<qint64>(deadline.remainingTime(), 0, INT_MAX));
}

} // namespace

ToolSearch ToolSearch::standard()
{
    if (qEnvironmentVariableIsSet("TOLVANE_TOOL_DIRS"))
        return {qEnvironmentVariable("TOLVANE_TOOL_DIRS").split(u':', Qt::SkipEmptyParts), false};
    return {{u"/opt/homebrew/bin"_qs, u"/usr/local/bin"_qs, u"/opt/local/bin"_qs, u"/usr/bin"_qs, u"/bin"_qs}, true};
}

std::optional<QString> findTool(const QString &name, const ToolSearch &search)
{
    for (const QString &directory : search.directories) {
        const QString path = directory + QLatin1Char('/') + name;
        if (isExecutableFile(path))
            return path;
    }
    if (!search.askWhich)
        return std::nullopt;
    const QStringList arguments{name};
    const std::optional<QByteArray> output = runTool(u"/usr/bin/which"_qs, arguments);
    if (!output)
        return std::nullopt;
    const QString path = QString::fromUtf8(*output).trimmed();
    // A relative answer (from a relative PATH entry) would depend on the working directory.
    if (path.isEmpty() || !path.startsWith(QLatin1Char('/')))
        return std::nullopt;
    return path;
}

std::optional<QByteArray> runTool(const QString &path, const QStringList &arguments, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout.count());
    QProcess process;
    // Error output goes nowhere rather than into a pipe that nobody drains, which could stall the
    // child; no input either, so a tool that reads standard input ends at once.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(path, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(waitMilliseconds(deadline)))
        return std::nullopt;
    // waitForFinished keeps reading standard output while it waits, so a large output cannot fill
    // the pipe and block the child.
    if (!process.waitForFinished(waitMilliseconds(deadline))) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

} // namespace tolvane
