#include "media/MediaProbe.h"

#include "media/LibAVFormatProbe.h"
#include "media/ProbedFile.h"
#include "media/ToolOutput.h"
#include "media/ToolRunner.h"
#include "support/WorkPool.h"

#include <QCoroFuture>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

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

// The tools take a path beginning with "-" for an option; an absolute path never does.
QString absolutePath(const QString &filePath)
{
    return QFileInfo(filePath).absoluteFilePath();
}

/// What is left when even the probes throw (out of memory): the rows every source gives.
QList<MediaInfoRow> bareRows(const QString &filePath)
{
    ProbedFile file;
    file.extension = QFileInfo(filePath).suffix();
    return libAVRows(std::nullopt, file);
}

} // namespace

std::optional<QList<MediaInfoRow>> probeMediaInfo(const QString &toolPath, const QString &filePath)
{
    const QString path = absolutePath(filePath);
    const std::optional<QByteArray> output = runTool(toolPath, {u"--Output=JSON"_qs, path});
    if (!output)
        return std::nullopt;
    return mediaInfoRows(*output, ProbedFile::of(path));
}

std::optional<QList<MediaInfoRow>> probeFFprobe(const QString &toolPath, const QString &filePath)
{
    const QString path = absolutePath(filePath);
    // A playlist named like a video would make ffprobe fetch the addresses it lists; the file alone
    // is probed.
    const QStringList arguments{u"-v"_qs, u"quiet"_qs, u"-print_format"_qs, u"json"_qs, u"-show_format"_qs,
        u"-show_streams"_qs, u"-protocol_whitelist"_qs, u"file"_qs, path};
    const std::optional<QByteArray> output = runTool(toolPath, arguments);
    if (!output)
        return std::nullopt;
    return ffprobeRows(*output, ProbedFile::of(path));
}

QList<MediaInfoRow> probeFile(const QString &filePath)
{
    try {
        if (const std::optional<QString> tool = findTool(u"mediainfo"_qs)) {
            if (std::optional<QList<MediaInfoRow>> rows = probeMediaInfo(*tool, filePath))
                return std::move(*rows);
        }
        if (const std::optional<QString> tool = findTool(u"ffprobe"_qs)) {
            if (std::optional<QList<MediaInfoRow>> rows = probeFFprobe(*tool, filePath))
                return std::move(*rows);
        }
        return probeLibAVFormat(filePath);
    } catch (...) {
        return bareRows(filePath);
    }
}

QCoro::Task<QList<MediaInfoRow>> loadProps(QString filePath)
{
    // Named locals: g++ 12 mishandles temporaries built inside a co_await operand.
    const auto probe = [filePath] { return probeFile(filePath); };
    const QFuture<QList<MediaInfoRow>> future = runInPool(probePool(), probe);
    try {
        QList<MediaInfoRow> rows = co_await future;
        co_return rows;
    } catch (...) {
    }
    co_return bareRows(filePath);
}

} // namespace tolvane
