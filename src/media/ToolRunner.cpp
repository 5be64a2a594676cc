#include "media/ToolRunner.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QSet>

#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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

/// The process groups of the tools running now; each tool leads a group of its own.
struct RunningTools {
    QMutex mutex;
    QSet<qint64> groups;
    bool ending = false;
};

RunningTools &runningTools()
{
    static RunningTools *tools = new RunningTools; // never destroyed: tools may end during exit
    return *tools;
}

void killGroup(qint64 group)
{
    if (group > 0)
        ::kill(pid_t(-group), SIGKILL);
}

void leave(qint64 group)
{
    RunningTools &tools = runningTools();
    QMutexLocker lock(&tools.mutex);
    tools.groups.remove(group);
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

std::optional<QByteArray> runTool(
    const QString &path, const QStringList &arguments, std::chrono::milliseconds timeout, qsizetype outputLimit)
{
    // Held from the start to the tool's entry in the registry: an endRunningTools() meanwhile
    // (Ctrl-C, and the process leaves at once) would otherwise miss a tool just started.
    RunningTools &tools = runningTools();
    QMutexLocker lock(&tools.mutex);
    if (tools.ending)
        return std::nullopt;
    const QDeadlineTimer deadline(timeout.count());
    QProcess process;
    // Error output goes nowhere rather than into a pipe that nobody drains, which could stall the
    // child; no input either, so a tool that reads standard input ends at once.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // A group of its own, so that the helpers a tool starts can be ended with it; none of the
    // signals the caller blocks for itself.
    process.setChildProcessModifier([] {
        ::setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
    });
    process.start(path, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(waitMilliseconds(deadline)))
        return std::nullopt;
    const qint64 group = process.processId();
    tools.groups.insert(group);
    lock.unlock();
    const auto fail = [&process, group] {
        killGroup(group);
        process.waitForFinished();
        leave(group);
        return std::nullopt;
    };

    // Read as it comes, so that a large output cannot fill the pipe and block the child, and an
    // endless one is cut off.
    QByteArray output;
    while (process.state() != QProcess::NotRunning) {
        const bool ready = process.waitForReadyRead(waitMilliseconds(deadline));
        output += process.readAllStandardOutput();
        if (output.size() > outputLimit)
            return fail();
        // Not ready while running: the time is up, or the tool closed its output and works on.
        if (!ready && process.state() != QProcess::NotRunning && !process.waitForFinished(waitMilliseconds(deadline)))
            return fail();
    }
    output += process.readAllStandardOutput();
    // Whatever the tool left running is ended too.
    killGroup(group);
    leave(group);
    if (output.size() > outputLimit || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return output;
}

void endRunningTools()
{
    RunningTools &tools = runningTools();
    QMutexLocker lock(&tools.mutex);
    tools.ending = true;
    for (const qint64 group : std::as_const(tools.groups))
        killGroup(group);
}

} // namespace tolvane
