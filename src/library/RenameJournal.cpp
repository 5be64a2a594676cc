#include "RenameJournal.h"

#include "core/FilePaths.h"
#include "core/Json.h"
#include "library/FileMover.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <tuple>

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

QString fileError(const QString &path, const QString &reason)
{
    return QCoreApplication::translate("Rename", "The rename journal %1 can’t be written: %2").arg(path, reason);
}

QString fileError(const QString &path, int error)
{
    return fileError(path, systemErrorText(error));
}

QString notRegularText()
{
    return QCoreApplication::translate("Rename", "not a regular file");
}

/// Calls `use` for each line of `file`. A line longer than any the journal writes (two paths of
/// at most PATH_MAX bytes, escaped) is garbage and skipped without being held in memory.
template<typename Use>
void forEachLine(QFile &file, Use use)
{
    static constexpr qsizetype maxLine = 256 * 1024;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    QByteArray line;
    bool overlong = false;
    for (qint64 count; (count = file.read(buffer.data(), buffer.size())) > 0;) {
        for (QByteArrayView chunk(buffer.constData(), count); !chunk.isEmpty();) {
            const qsizetype end = chunk.indexOf('\n');
            const QByteArrayView part = end < 0 ? chunk : chunk.first(end);
            overlong = overlong || line.size() + part.size() > maxLine;
            if (overlong)
                line.clear();
            else
                line += part;
            if (end < 0)
                break;
            if (!overlong)
                use(line);
            line.clear();
            overlong = false;
            chunk = chunk.sliced(end + 1);
        }
    }
    if (!overlong && !line.isEmpty())
        use(line);
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
        return move.state == JournalMove::State::done && move.kind == JournalMove::Kind::move;
    }));
}

int JournalBatch::filesBack() const
{
    return int(std::count_if(moves.cbegin(), moves.cend(), [](const JournalMove &move) {
        return move.state == JournalMove::State::done && move.kind == JournalMove::Kind::move && move.back;
    }));
}

bool JournalMove::isOutstanding() const
{
    return (state == State::done || state == State::announced) && !back;
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
        const QByteArray folder = nativeFolder(move.kind == JournalMove::Kind::move ? move.from : move.to);
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
        // What a dry run checks is checked first, so that both tell the same.
        if (const std::optional<QString> obstacle = writeObstacle(m_path)) {
            *error = *obstacle;
            return false;
        }
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
        // Not blocking: a FIFO put in the journal's place must not hang the rename. Read too, to
        // see whether the file ends on a fresh line.
        m_fd = ::open(file.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
        struct stat info;
        if (m_fd < 0 || ::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            *error = m_fd < 0 ? fileError(m_path, errno) : fileError(m_path, notRegularText());
            if (m_fd >= 0)
                ::close(m_fd);
            ::close(m_lockFd);
            m_fd = m_lockFd = -1;
            return false;
        }
        ::fchmod(m_fd, 0600);
    }
    QByteArray header = recordStart(m_batchId);
    header += ",\"time\":\"" + QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1() + '"';
    header += m_undoes ? ",\"format\":2,\"kind\":\"undo\",\"undoes\":" : ",\"format\":2,\"kind\":\"rename\"";
    if (m_undoes)
        appendJsonString(header, *m_undoes);
    header += "}\n";
    if (!writeLine(header, error))
        return false;
    m_headerWritten = true;
    return true;
}

bool RenameJournal::writeLine(QByteArray line, QString *error)
{
    // A line torn by a crash or a full disk is closed first: what follows it would be lost with it.
    struct stat info;
    char last = '\n';
    if (::fstat(m_fd, &info) == 0 && info.st_size > 0 && ::pread(m_fd, &last, 1, info.st_size - 1) == 1 && last != '\n')
        line.prepend('\n');
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
    JournalMove move;
    move.from = from;
    move.to = to;
    return announceMoves({move}, error);
}

std::optional<int> RenameJournal::announceMoves(const QList<JournalMove> &moves, QString *error)
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
    for (const JournalMove &move : moves) {
        lines += recordStart(m_batchId);
        lines += ",\"move\":" + QByteArray::number(m_nextIndex++) + ",\"row\":" + QByteArray::number(first);
        appendPath(lines, "from", move.from);
        appendPath(lines, "to", move.to);
        // Not "kind": that member marks a batch's first line.
        if (move.kind != JournalMove::Kind::move)
            lines += move.kind == JournalMove::Kind::makeFolder ? ",\"step\":\"folder\"" : ",\"step\":\"file\"";
        // An undo moves back only this very file, not one put at its name later.
        if (const QByteArray identity = move.kind == JournalMove::Kind::move ? fileIdentity(move.from) : QByteArray();
            !identity.isEmpty())
            lines += ",\"identity\":\"" + identity + '"';
        if (move.undoes)
            lines += ",\"undoesMove\":" + QByteArray::number(*move.undoes);
        lines += "}\n";
    }
    if (!writeLine(lines, error))
        return std::nullopt;
    return first;
}

void RenameJournal::markDone(int index, const QByteArray &identity)
{
    m_pending += recordStart(m_batchId) + ",\"done\":" + QByteArray::number(index);
    if (!identity.isEmpty())
        m_pending += ",\"identity\":\"" + identity + '"';
    m_pending += "}\n";
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

void RenameJournal::markSettled(int undone)
{
    m_pending += recordStart(m_batchId) + ",\"settled\":" + QByteArray::number(undone) + "}\n";
}

std::optional<QString> RenameJournal::writeObstacle(const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    const QByteArray folder = nativeFolder(file);
    struct stat info;
    if (::stat(folder.constData(), &info) != 0) {
        if (errno != ENOENT)
            return fileError(path, errno);
        // Made by the run, with the folders above it: the nearest one there must take it.
        QByteArray above = nativeFolder(folder);
        while (above.size() > 1 && ::stat(above.constData(), &info) != 0 && errno == ENOENT)
            above = nativeFolder(above);
        if (::access(above.constData(), W_OK | X_OK) != 0)
            return fileError(path, errno);
        return std::nullopt;
    }
    for (const QByteArray &name : {file + ".lock", file}) {
        if (::stat(name.constData(), &info) != 0) {
            if (errno != ENOENT || ::access(folder.constData(), W_OK | X_OK) != 0)
                return fileError(path, errno);
        } else if (S_ISDIR(info.st_mode)) {
            return fileError(path, EISDIR);
        } else if (!S_ISREG(info.st_mode)) {
            return fileError(path, notRegularText());
        } else if (::access(name.constData(), R_OK | W_OK) != 0) {
            return fileError(path, errno);
        }
    }
    return std::nullopt;
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
    // Anything but a file (a FIFO would block the reading) is no journal.
    struct stat info;
    const bool notFile = ::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode);
    if (notFile || !file.open(QIODevice::ReadOnly)) {
        if (error && file.exists())
            *error = QCoreApplication::translate("Rename", "The rename journal %1 can’t be read: %2")
                         .arg(path, notFile ? notRegularText() : file.errorString());
        return batches;
    }
    QHash<QString, qsizetype> byID;
    QHash<QString, QHash<int, qsizetype>> moveIndex;
    forEachLine(file, [&](const QByteArray &line) {
        const std::optional<QJsonObject> record = line.startsWith('{') ? parseJsonObject(line) : std::nullopt;
        if (!record)
            return;
        const QString id = record->value(u"batch").toString();
        if (id.isEmpty())
            return;
        if (record->contains(u"kind")) {
            if (byID.contains(id))
                return;
            JournalBatch batch;
            batch.id = id;
            batch.time = QDateTime::fromString(record->value(u"time").toString(), Qt::ISODateWithMs);
            batch.isUndo = record->value(u"kind").toString() == u"undo";
            batch.undoes = record->value(u"undoes").toString();
            batch.format = int(jsonInteger(record->value(u"format")).value_or(1));
            byID.insert(id, batches.size());
            batches.append(std::move(batch));
            return;
        }
        const qsizetype at = byID.value(id, -1);
        if (at < 0)
            return;
        JournalBatch &batch = batches[at];
        if (const std::optional<qint64> index = jsonInteger(record->value(u"move")); index && int(*index) == *index) {
            JournalMove move;
            const std::optional<QByteArray> from = readPath(*record, QStringLiteral("from"));
            const std::optional<QByteArray> to = readPath(*record, QStringLiteral("to"));
            if (!from || !to || moveIndex[id].contains(int(*index)))
                return;
            std::tie(move.from, move.to, move.index) = std::tie(*from, *to, *index);
            move.row = int(jsonInteger(record->value(u"row")).value_or(-1));
            move.identity = record->value(u"identity").toString().toLatin1();
            if (const std::optional<qint64> undoes = jsonInteger(record->value(u"undoesMove")))
                move.undoes = int(*undoes);
            const QString step = record->value(u"step").toString();
            move.kind = step == u"folder" ? JournalMove::Kind::makeFolder
                : step == u"file"         ? JournalMove::Kind::writeFile
                                          : JournalMove::Kind::move;
            moveIndex[id].insert(move.index, batch.moves.size());
            batch.moves.append(std::move(move));
            return;
        }
        if (const std::optional<qint64> settled = jsonInteger(record->value(u"settled")))
            batch.settled.append(int(*settled));
        const auto mark = [&](const char16_t *key, JournalMove::State state) {
            const std::optional<qint64> index = jsonInteger(record->value(key));
            const qsizetype move = index ? moveIndex[id].value(int(*index), -1) : -1;
            if (move >= 0)
                batch.moves[move].state = state;
        };
        mark(u"done", JournalMove::State::done);
        // A folder or file has its identity once made.
        if (const std::optional<qint64> done = jsonInteger(record->value(u"done")); done && record->contains(u"identity"))
            if (const qsizetype move = moveIndex[id].value(int(*done), -1); move >= 0)
                batch.moves[move].identity = record->value(u"identity").toString().toLatin1();
        mark(u"reverted", JournalMove::State::reverted);
        mark(u"notMade", JournalMove::State::notMade);
    });

    // What the undos took back. An undo of an older journal took its whole batch back; an undo
    // names each move it took back, and its batch is undone once every move is back.
    QSet<qsizetype> tried;
    for (const JournalBatch &undo : std::as_const(batches)) {
        const qsizetype target = undo.isUndo ? byID.value(undo.undoes, -1) : -1;
        if (target < 0 || batches[target].isUndo)
            continue;
        if (undo.format < 2) {
            batches[target].undone = true;
            continue;
        }
        tried.insert(target);
        const QHash<int, qsizetype> targetMoves = moveIndex.value(undo.undoes);
        const auto takeBack = [&](int index) {
            if (const qsizetype move = targetMoves.value(index, -1); move >= 0)
                batches[target].moves[move].back = true;
        };
        for (const JournalMove &move : undo.moves)
            if (move.undoes && move.state == JournalMove::State::done)
                takeBack(*move.undoes);
        for (int index : undo.settled)
            takeBack(index);
    }
    for (qsizetype index : std::as_const(tried)) {
        JournalBatch &batch = batches[index];
        const bool outstanding = std::any_of(batch.moves.cbegin(), batch.moves.cend(), [](const JournalMove &move) {
            return move.isOutstanding();
        });
        batch.undone = batch.undone || !outstanding;
        batch.partlyUndone = !batch.undone && batch.filesBack() > 0;
    }
    return batches;
}

} // namespace tolvane
