#include "media/MediaProbe.h"

#include "core/FilePaths.h"
#include "core/Text.h"
#include "media/LibAVFormatProbe.h"
#include "media/LibAVLoader.h"
#include "media/ProbedFile.h"
#include "media/ToolOutput.h"
#include "media/ToolRunner.h"
#include "support/WorkPool.h"

#include <QCoreApplication>
#include <QCoroFuture>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <memory>
#include <system_error>

namespace tolvane {

QThreadPool &probePool()
{
    static QThreadPool *pool = [] {
        auto *created = new QThreadPool;
        // Each probe mostly waits for one tool process that keeps a core busy; more threads than
        // cores would only make them take turns.
        created->setMaxThreadCount(std::max(QThread::idealThreadCount(), 2));
        return created;
    }();
    return *pool;
}

namespace {

QString notMediaText()
{
    return QCoreApplication::translate("MediaProbe", "not a media file");
}

QString notRegularText()
{
    return QCoreApplication::translate("MediaProbe", "not a regular file");
}

QString systemMessage(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

/// The report of a file nothing could be read from. The reason is an argument so that it is worked
/// out before the rows are built: their locale and text set-up may change errno.
ProbeReport unprobed(const ProbedFile &file, QString reason)
{
    return {libAVRows(std::nullopt, file), std::move(reason)};
}

// The tools take a path beginning with "-" for an option; an absolute path never does.
QByteArray absoluteNative(const QByteArray &path)
{
    if (path.startsWith('/'))
        return path;
    char directory[PATH_MAX];
    if (!::getcwd(directory, sizeof directory))
        return {};
    return QByteArray(directory) + '/' + path;
}

QByteArray extensionOf(const QByteArray &path)
{
    const QByteArray name = nativeFileName(path);
    const qsizetype dot = name.lastIndexOf('.');
    return dot > 0 ? name.mid(dot + 1) : QByteArray();
}

/// The file's path as the tools can be given it. Their arguments are text, so a name that is not
/// UTF-8 is reached through a link with a UTF-8 name in a private folder; the link keeps the
/// extension, which the tools read.
class ToolPath {
public:
    ToolPath(const QByteArray &absolutePath, const QByteArray &extension)
    {
        if (std::optional<QString> text = strictUtf8(absolutePath)) {
            m_path = *std::move(text);
            return;
        }
        m_folder = std::make_unique<QTemporaryDir>();
        if (!m_folder->isValid())
            return;
        const bool plainExtension = extension.size() <= 16
            && std::all_of(extension.cbegin(), extension.cend(), [](char c) { return std::isalnum(uchar(c)); });
        QString link = m_folder->filePath(u"probe"_qs);
        if (plainExtension && !extension.isEmpty())
            link += u'.' + QString::fromLatin1(extension);
        if (::symlink(absolutePath.constData(), QFile::encodeName(link).constData()) == 0)
            m_path = link;
    }
    /// Null when no such path could be made.
    const QString &path() const { return m_path; }

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_path;
};

std::optional<ProbeReport> probeWithTools(const QString &path, ProbedFile &file)
{
    if (const std::optional<QString> tool = findTool(u"mediainfo"_qs)) {
        if (const std::optional<QByteArray> output = runTool(*tool, {u"--Output=JSON"_qs, path})) {
            bool recognised = false;
            if (std::optional<QList<MediaInfoRow>> rows = mediaInfoRows(*output, file, QLocale(), &recognised))
                return ProbeReport{std::move(*rows), recognised ? std::nullopt : std::optional(notMediaText())};
        }
    }
    if (const std::optional<QString> tool = findTool(u"ffprobe"_qs)) {
        // A playlist named like a video would make ffprobe fetch the addresses it lists; the file
        // alone is probed.
        const QStringList arguments{u"-v"_qs, u"quiet"_qs, u"-print_format"_qs, u"json"_qs, u"-show_format"_qs,
            u"-show_streams"_qs, u"-protocol_whitelist"_qs, u"file"_qs, path};
        if (const std::optional<QByteArray> output = runTool(*tool, arguments)) {
            if (std::optional<QList<MediaInfoRow>> rows = ffprobeRows(*output, file))
                return ProbeReport{std::move(*rows), std::nullopt};
        }
    }
    return std::nullopt;
}

/// The last resort, in this process: the file is opened once, checked to be a regular file and read
/// through that descriptor only, so nothing can put a FIFO in its place.
ProbeReport probeWithLibAV(const QByteArray &path, const ProbedFile &file)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return unprobed(file, systemMessage(errno));
    struct stat status { };
    std::optional<LibAVFacts> facts;
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (regular)
        facts = readLibAVFacts(fd, path);
    ::close(fd);
    std::optional<QString> error;
    if (!regular)
        error = notRegularText();
    else if (!facts && libAV()) // without the libraries nothing can be told
        error = notMediaText();
    return {libAVRows(facts, file), error};
}

} // namespace

ProbeReport probeFile(const QByteArray &nativePath)
{
    ProbedFile file;
    try {
        const QByteArray path = absoluteNative(nativePath);
        file.extension = readableName(extensionOf(path));
        // Looked at before anything opens it: opening a FIFO blocks until someone writes to it.
        struct stat status { };
        if (path.isEmpty() || ::stat(path.constData(), &status) != 0)
            return unprobed(file, systemMessage(path.isEmpty() ? ENOENT : errno));
        if (S_ISDIR(status.st_mode))
            return unprobed(file, QCoreApplication::translate("MediaProbe", "a folder, not a media file"));
        if (!S_ISREG(status.st_mode))
            return unprobed(file, notRegularText());
        file.size = qint64(status.st_size);

        const ToolPath toolPath(path, extensionOf(path));
        if (!toolPath.path().isNull()) {
            if (std::optional<ProbeReport> report = probeWithTools(toolPath.path(), file))
                return std::move(*report);
        }
        return probeWithLibAV(path, file);
    } catch (...) { // out of memory
        return unprobed(file, QCoreApplication::translate("MediaProbe", "could not be probed"));
    }
}

QCoro::Task<ProbeReport> probeReport(QByteArray nativePath)
{
    // Named locals: g++ 12 mishandles temporaries built inside a co_await operand.
    const auto probe = [nativePath] { return probeFile(nativePath); };
    const QFuture<ProbeReport> future = runInPool(probePool(), probe);
    try {
        ProbeReport report = co_await future;
        co_return report;
    } catch (...) {
    }
    ProbedFile file;
    file.extension = readableName(extensionOf(nativePath));
    co_return unprobed(file, QCoreApplication::translate("MediaProbe", "could not be probed"));
}

QCoro::Task<QList<MediaInfoRow>> loadProps(QByteArray nativePath)
{
    ProbeReport report = co_await probeReport(std::move(nativePath));
    co_return std::move(report.rows);
}

} // namespace tolvane
