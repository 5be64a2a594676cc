#include "RenameJournal.h"

#include "core/FilePaths.h"
#include "core/Json.h"
#include "library/FileMover.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {

namespace {

void (*afterMoveHook)() = nullptr;

/// A path as a member: text when it is UTF-8 (escaped on the bytes: a journal line is written
/// for every move), else its exact bytes in Base64.
void appendPath(QByteArray &line, const char *key, const QByteArray &path)
{
    line += ",\"";
    line += key;
    if (!QByteArrayView(path).isValidUtf8()) {
        line += "Bytes\":\"" + path.toBase64() + '"';
        return;
    }
    line += "\":";
    appendJsonUtf8(line, path);
}

std::optional<QByteArray> readPath(const QJsonObject &object, const QString &key)
{
    if (const QJsonValue text = object.value(key); text.isString())
        return text.toString().toUtf8();
    if (const QJsonValue bytes = object.value(key + QStringLiteral("Bytes")); bytes.isString()) {
        auto decoded = QByteArray::fromBase64Encoding(bytes.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (decoded)
            return *decoded;
    }
    return std::nullopt;
}

QByteArray recordStart(const QString &batch)
{
    QByteArray line = "{\"batch\":";
    appendJsonString(line, batch);
    return line;
}

QString fileError(const QString &path, int error)
{
    return QStringLiteral("The rename journal %1 can’t be written: %2").arg(path, systemErrorText(error));
}

/// The id of the batch a line belongs to, read cheaply: every line starts with it.
QByteArrayView batchOfLine(QByteArrayView line)
{
    static constexpr QByteArrayView start = "{\"batch\":\"";
    if (!line.startsWith(start))
        return {};
    const qsizetype end = line.indexOf('"', start.size());
    return end < 0 ? QByteArrayView() : line.sliced(start.size(), end - start.size());
}

} // namespace

int JournalBatch::fileCount() const
{
    return int(std::count_if(moves.cbegin(), moves.cend(), [](const JournalMove &move) {
        return move.state == JournalMove::State::done;
    }));
}

int JournalBatch::unconfirmedCount() const
{
    return int(std::count_if(moves.cbegin(), moves.cend(), [](const JournalMove &move) {
        return move.state == JournalMove::State::announced;
    }));
}

QByteArray JournalBatch::folder() const
{
    QByteArray common;
    for (const JournalMove &move : moves) {
        const QByteArray folder = nativeFolder(move.from);
        if (common.isNull()) {
            common = folder;
            continue;
        }
        while (!(folder == common || folder.startsWith(common.endsWith('/') ? common : common + '/')))
            common = nativeFolder(common);
    }
    return common;
}

QString RenameJournal::defaultPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // Relative values are to be ignored, as the base directory rules say.
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Tolvane/renames.jsonl");
}

RenameJournal::RenameJournal(QString path)
    : m_path(std::move(path))
{
}

RenameJournal::~RenameJournal()
{
    endBatch();
}

void RenameJournal::setAfterMoveHook(void (*hook)())
{
    afterMoveHook = hook;
}

bool RenameJournal::beginBatch(std::optional<QString> undoes, QString *error)
{
    endBatch();
    m_inBatch = true;
    m_headerWritten = false;
    m_undoes = std::move(undoes);
    m_batchId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_nextIndex = 0;
    QString ignored;
    return !m_undoes || ensureOpen(error ? error : &ignored);
}

void RenameJournal::endBatch()
{
    writePending();
    m_inBatch = false;
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_lockFd >= 0)
        ::close(m_lockFd); // releases the shared lock
    m_fd = m_lockFd = -1;
}

bool RenameJournal::ensureOpen(QString *error)
{
    if (m_fd >= 0 && m_headerWritten)
        return true;
    if (m_fd < 0) {
        const QByteArray file = QFile::encodeName(m_path);
        const QByteArray folder = nativeFolder(file);
        QDir().mkpath(QFile::decodeName(nativeFolder(folder)));
        if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) {
            *error = fileError(m_path, errno);
            return false;
        }
        // Trimming rewrites the file, so it waits until no other process is inside a batch: each
        // batch holds a shared lock on a lock file beside the journal until it ends.
        m_lockFd = ::open((file + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_lockFd < 0) {
            *error = fileError(m_path, errno);
            return false;
        }
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0)
            trim();
        ::flock(m_lockFd, LOCK_SH);
        m_fd = ::open(file.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            *error = fileError(m_path, errno);
            ::close(m_lockFd);
            m_lockFd = -1;
            return false;
        }
        ::fchmod(m_fd, 0600);
    }
    QByteArray header = recordStart(m_batchId);
    header += ",\"time\":\"" + QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1() + '"';
    header += m_undoes ? ",\"kind\":\"undo\",\"undoes\":" : ",\"kind\":\"rename\"";
    if (m_undoes)
        appendJsonString(header, *m_undoes);
    header += "}\n";
    if (!writeLine(header, error))
        return false;
    m_headerWritten = true;
    return true;
}

bool RenameJournal::writeLine(const QByteArray &line, QString *error)
{
    // One write per line: with O_APPEND, lines of processes writing at once never mix.
    qsizetype written = 0;
    while (written < line.size()) {
        const ssize_t count = ::write(m_fd, line.constData() + written, size_t(line.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            *error = fileError(m_path, count < 0 ? errno : ENOSPC);
            return false;
        }
        written += count;
    }
    return true;
}

std::optional<int> RenameJournal::announceMove(const QByteArray &from, const QByteArray &to, QString *error)
{
    return announceMoves({{from, to}}, error);
}

std::optional<int> RenameJournal::announceMoves(const QList<std::pair<QByteArray, QByteArray>> &moves, QString *error)
{
    if (!m_inBatch)
        beginBatch();
    if (!ensureOpen(error))
        return std::nullopt;
    const int first = m_nextIndex;
    // One write for all, with the marks of the row before: a row's moves are on disk before its
    // first move is made.
    QByteArray lines = std::move(m_pending);
    m_pending.clear();
    for (const auto &[from, to] : moves) {
        lines += recordStart(m_batchId);
        lines += ",\"move\":" + QByteArray::number(m_nextIndex++);
        appendPath(lines, "from", from);
        appendPath(lines, "to", to);
        lines += "}\n";
    }
    if (!writeLine(lines, error))
        return std::nullopt;
    return first;
}

void RenameJournal::markDone(int index)
{
    m_pending += recordStart(m_batchId) + ",\"done\":" + QByteArray::number(index) + "}\n";
    if (afterMoveHook)
        afterMoveHook();
}

void RenameJournal::markReverted(int index)
{
    m_pending += recordStart(m_batchId) + ",\"reverted\":" + QByteArray::number(index) + "}\n";
    writePending();
}

void RenameJournal::markNotMade(int index)
{
    m_pending += recordStart(m_batchId) + ",\"notMade\":" + QByteArray::number(index) + "}\n";
}

void RenameJournal::writePending()
{
    if (m_pending.isEmpty() || m_fd < 0)
        return;
    QString ignored; // an unmarked move is found on disk by an undo
    writeLine(m_pending, &ignored);
    m_pending.clear();
}

void RenameJournal::trim()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.readAll();
    file.close();
    // Counted by a scan for the batches' first lines, without splitting: this runs at the start
    // of every batch, and most of the time finds nothing to drop.
    static constexpr QByteArrayView mark = ",\"kind\":\"";
    QList<QByteArrayView> headers;
    for (qsizetype at = content.indexOf(mark); at >= 0; at = content.indexOf(mark, at + mark.size())) {
        const qsizetype start = content.lastIndexOf('\n', at) + 1;
        headers.append(batchOfLine(QByteArrayView(content).sliced(start, at - start)));
    }
    // Room for the batch about to start.
    if (headers.size() < keptBatches)
        return;
    const QSet<QByteArrayView> kept(headers.cend() - (keptBatches - 1), headers.cend());
    QByteArray out;
    out.reserve(content.size());
    for (qsizetype start = 0; start < content.size();) {
        qsizetype end = content.indexOf('\n', start);
        end = end < 0 ? content.size() : end + 1;
        const QByteArrayView line = QByteArrayView(content).sliced(start, end - start);
        if (kept.contains(batchOfLine(line)))
            out += line;
        start = end;
    }
    if (!out.isEmpty() && !out.endsWith('\n'))
        out += '\n';
    const QByteArray target = QFile::encodeName(m_path);
    const QByteArray temporary = target + ".trim";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const bool written = ::write(fd, out.constData(), size_t(out.size())) == ssize_t(out.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.constData(), target.constData()) != 0)
        ::unlink(temporary.constData());
}

QList<JournalBatch> RenameJournal::readBatches(const QString &path, QString *error)
{
    QList<JournalBatch> batches;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error && file.exists())
            *error = QStringLiteral("The rename journal %1 can’t be read: %2").arg(path, file.errorString());
        return batches;
    }
    QHash<QString, qsizetype> byID;
    QHash<QString, QHash<int, qsizetype>> moveIndex;
    while (!file.atEnd()) {
        const std::optional<QJsonObject> record = parseJsonObject(file.readLine());
        if (!record)
            continue;
        const QString id = record->value(u"batch").toString();
        if (id.isEmpty())
            continue;
        if (record->contains(u"kind")) {
            if (byID.contains(id))
                continue;
            JournalBatch batch;
            batch.id = id;
            batch.time = QDateTime::fromString(record->value(u"time").toString(), Qt::ISODateWithMs);
            batch.isUndo = record->value(u"kind").toString() == u"undo";
            batch.undoes = record->value(u"undoes").toString();
            byID.insert(id, batches.size());
            batches.append(std::move(batch));
            continue;
        }
        const qsizetype at = byID.value(id, -1);
        if (at < 0)
            continue;
        JournalBatch &batch = batches[at];
        if (const std::optional<qint64> index = jsonInteger(record->value(u"move"))) {
            const std::optional<QByteArray> from = readPath(*record, QStringLiteral("from"));
            const std::optional<QByteArray> to = readPath(*record, QStringLiteral("to"));
            if (from && to && !moveIndex[id].contains(int(*index))) {
                moveIndex[id].insert(int(*index), batch.moves.size());
                batch.moves.append({*from, *to, JournalMove::State::announced});
            }
            continue;
        }
        const auto mark = [&](const char16_t *key, JournalMove::State state) {
            const std::optional<qint64> index = jsonInteger(record->value(key));
            const qsizetype move = index ? moveIndex[id].value(int(*index), -1) : -1;
            if (move >= 0)
                batch.moves[move].state = state;
        };
        mark(u"done", JournalMove::State::done);
        mark(u"reverted", JournalMove::State::reverted);
        mark(u"notMade", JournalMove::State::notMade);
    }
    for (qsizetype index = 0; index < batches.size(); ++index) {
        if (const qsizetype target = batches[index].isUndo ? byID.value(batches[index].undoes, -1) : -1; target >= 0)
            batches[target].undone = true;
    }
    return batches;
}

} // namespace tolvane
