#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace tolvane {

/// One step of a rename as the journal knows it: a move, or a folder made or a file written.
struct JournalMove {
    /// What the step does. A line without its kind (an older journal) is a move.
    enum class Kind {
        move, ///< `from` moved to `to`
        makeFolder, ///< the folder `to` made (`from` empty)
        writeFile, ///< the file `to` written (`from` empty)
    };
    enum class State {
        announced, ///< written before the move; the move may or may not have happened
        done, ///< moved
        reverted, ///< moved and taken back (a later move of its row failed)
        notMade, ///< its row failed before it was made
    };
    QByteArray from;
    QByteArray to;
    State state = State::announced;
    int index = -1; ///< its number in the batch
    int row = -1; ///< the number of the first move written with it (a row's files); -1 when not recorded
    QByteArray identity; ///< a move's file as fileIdentity() told it before the move, a folder or file
                         ///< as it was once made; empty when not recorded
    std::optional<int> undoes; ///< in an undo batch: the move of the undone batch it takes back
    bool back = false; ///< an undo took it back, or found its file under the old name
    Kind kind = Kind::move;

    /// Made, or perhaps made, and not yet taken back by an undo.
    bool isOutstanding() const;
};

/// One bulk operation or command run.
struct JournalBatch {
    QString id;
    QDateTime time; ///< UTC
    bool isUndo = false;
    QString undoes; ///< for an undo: the batch it takes back
    QList<JournalMove> moves;
    bool undone = false; ///< undone: every move is back
    bool partlyUndone = false; ///< an undo took some of its files back, not all
    int format = 1; ///< 2: an undo batch accounts for each move it takes back
    QList<int> settled; ///< for an undo: moves of the undone batch it found under their old names

    /// Files this batch moved and kept moved (folders made and files written not counted).
    int fileCount() const;
    /// Of those, the files an undo took back.
    int filesBack() const;
    /// Moves announced and never marked: the batch was cut short (a crash) while they were under
    /// way. Each may or may not have happened; an undo looks on disk.
    int unconfirmedCount() const;
    /// The folder of the moves, or their nearest common folder.
    QByteArray folder() const;
};

/// The log of every rename, so that a batch can be taken back even after a crash: each move is
/// written (and handed to the kernel) before it is made and marked done after. Lines are JSON,
/// one per record, each carrying its batch's id; other processes may append batches of their
/// own at the same time. The file is created private (0600) and keeps the newest batches. Every
/// write starts on a fresh line, so a line torn by a crash costs that line only.
class RenameJournal {
public:
    static constexpr int keptBatches = 200;

    /// $XDG_STATE_HOME/Tolvane/renames.jsonl, by default ~/.local/state/Tolvane/renames.jsonl.
    static QString defaultPath();

    explicit RenameJournal(QString path = defaultPath());
    ~RenameJournal();
    RenameJournal(const RenameJournal &) = delete;
    RenameJournal &operator=(const RenameJournal &) = delete;

    const QString &path() const { return m_path; }

    /// Starts a batch. A rename batch is written with its first move (an operation that moves
    /// nothing leaves no batch); an undo batch at once, so that the batch it takes back counts as
    /// undone from then on.
    /// False, with `error` set, when an undo batch cannot be written.
    bool beginBatch(std::optional<QString> undoes = std::nullopt, QString *error = nullptr);
    /// Ends the batch; a move announced outside a batch starts one of its own.
    void endBatch();
    /// The open batch's id (made by beginBatch()).
    const QString &batchId() const { return m_batchId; }

    /// Writes a move before it is made; its index for markDone()/markReverted(), or none with the
    /// error in `error` when the journal cannot be written (then the move must not be made).
    std::optional<int> announceMove(const QByteArray &from, const QByteArray &to, QString *error);
    /// Writes several steps (their kind, from, to and undoes) at once, before the first is made,
    /// as one row (taken back together), each move with its file's identity; the first one's
    /// index, the others following in order.
    std::optional<int> announceMoves(const QList<JournalMove> &moves, QString *error);
    /// Marks a step made; for a folder made or a file written, with its `identity` then, so that
    /// an undo removes only that very one. The mark is written with the next announcement (or
    /// when the batch ends), so a row costs the journal one write: a move cut short before its
    /// mark reached the file is found on disk by an undo.
    void markDone(int index, const QByteArray &identity = {});
    /// Marks a move taken back, at once.
    void markReverted(int index);
    /// Marks a move its row gave up before making it.
    void markNotMade(int index);
    /// In an undo batch: marks move `undone` of the batch it takes back as found under its old name.
    void markSettled(int undone);

    /// Why writing the journal at `path` would fail, found without writing anything: the same text
    /// the writing would give. None when nothing stands in the way.
    static std::optional<QString> writeObstacle(const QString &path);

    /// Every batch in the file, oldest first; lines that cannot be read are skipped. `error`
    /// tells when the file exists but cannot be read.
    static QList<JournalBatch> readBatches(const QString &path, QString *error = nullptr);

    /// Called after each move is marked done; lets a test stop a process between two moves.
    static void setAfterMoveHook(void (*hook)());

private:
    bool ensureOpen(QString *error);
    bool writeLine(QByteArray line, QString *error);
    void writePending();
    /// Drops the oldest batches once there are clearly more than keptBatches.
    void trim();

    QString m_path;
    int m_fd = -1;
    int m_lockFd = -1;
    bool m_inBatch = false;
    bool m_headerWritten = false;
    std::optional<QString> m_undoes;
    QString m_batchId;
    int m_nextIndex = 0;
    QByteArray m_pending; ///< marks not yet written
};

} // namespace tolvane
