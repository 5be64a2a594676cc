// The journal and undo against damaged journals, hand-written lines and files changed after a rename.
#include "core/FilePaths.h"
#include "library/CompanionFiles.h"
#include "library/RenameJournal.h"
#include "library/RenamePlan.h"
#include "library/RenameUndo.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane;

namespace {

void write(const QByteArray &path, const QByteArray &content, int flags = O_TRUNC)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | flags, 0644);
    QCOMPARE(::write(fd, content.constData(), size_t(content.size())), ssize_t(content.size()));
    ::close(fd);
}

QByteArray listing(const QByteArray &folder)
{
    QList<QByteArray> names = folderEntries(folder);
    std::sort(names.begin(), names.end());
    return names.join('|');
}

/// What the undo left, one line per file (its folder left out), sorted.
QString leftTexts(const UndoReport &report, const QByteArray &folder)
{
    QStringList lines;
    for (const UndoStep &step : report.steps)
        lines.append(undoStepText(step).remove(QFile::decodeName(folder + '/')));
    lines.removeAll(QString());
    lines.sort();
    return lines.join(u'|');
}

std::atomic<bool> stopNow = false;

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
    QTemporaryDir m_state;
    QByteArray m_folder;

    QByteArray at(const char *name) const { return m_folder + '/' + name; }
    /// Renames the rows of `names` (with their companion files) to `titles`, as one batch.
    void rename(const QList<const char *> &names, const QStringList &titles)
    {
        RenameJournal journal; // one batch until it ends
        for (qsizetype i = 0; i < names.size(); ++i) {
            auto item = std::make_shared<MovieItem>(at(names[i]));
            MovieMatch match;
            match.title = titles[i];
            item->applyMatch(match, SearchEngine::yandexAI);
            QCOMPARE(performRename(*item, companionMovesFor(*item), &journal), std::nullopt);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_state.isValid());
        for (const char *name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "HOME"})
            qputenv(name, QFile::encodeName(m_state.path()));
    }
    void init()
    {
        static int count = 0;
        m_folder = QFile::encodeName(m_state.path()) + "/films" + QByteArray::number(++count);
        QVERIFY(QDir().mkpath(QFile::decodeName(m_folder)));
        QFile::remove(RenameJournal::defaultPath());
    }

    // Only the very file renamed goes back, and a row's files go back together or not at all.
    void undoTakesBackOnlyTheRenamedFiles_data()
    {
        QTest::addColumn<QByteArray>("meddle");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("left"); // the video's line; its companions' follow
        const QString other = u"B.mkv: not undone, the file at the new name is not the one renamed"_qs;
        QTest::newRow("clean") << QByteArray() << QByteArray("A.en.srt|A.mkv|A.nfo") << QString();
        QTest::newRow("another file there") << QByteArray("replace") << QByteArray("B.en.srt|B.mkv|B.nfo") << other;
        QTest::newRow("the file changed") << QByteArray("edit") << QByteArray("B.en.srt|B.mkv|B.nfo") << other;
        QTest::newRow("a folder there") << QByteArray("folder") << QByteArray("B.en.srt|B.nfo") << other;
        QTest::newRow("the video's old name taken") << QByteArray("take") << QByteArray("A.mkv|B.en.srt|B.mkv|B.nfo")
                                                     << u"B.mkv: left where it is; its old name A.mkv is taken"_qs;
    }
    void undoTakesBackOnlyTheRenamedFiles()
    {
        QFETCH(QByteArray, meddle);
        QFETCH(QString, left);
        for (const char *name : {"A.mkv", "A.en.srt", "A.nfo"})
            write(at(name), name);
        rename({"A.mkv"}, {u"B"_qs});
        if (meddle == "replace" || meddle == "take")
            write(at(meddle == "take" ? "A.mkv" : "new"), "other");
        if (meddle == "replace")
            QCOMPARE(::rename(at("new"), at("B.mkv")), 0);
        if (meddle == "edit")
            write(at("B.mkv"), "more", O_APPEND);
        if (meddle == "folder" && ::unlink(at("B.mkv")) == 0)
            QCOMPARE(::mkdir(at("B.mkv"), 0755), 0);
        const QString held = u"B.%1: left where it is with B.mkv, which is not moved back"_qs;
        const QString expected = left.isEmpty() ? left : QStringList{held.arg(u"en.srt"), left, held.arg(u"nfo")}.join(u'|');
        RenameJournal journal;
        QCOMPARE(leftTexts(undoLatest(journal, true), m_folder), expected);
        QCOMPARE(leftTexts(undoLatest(journal, false), m_folder), expected);
        QTEST(listing(m_folder), "after");
    }

    // Lines written by hand (an older journal, without the files' identities or steps' kinds)
    // move nothing farther than a direct subfolder, no folder, and nothing along "..".
    void handWrittenLines_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QByteArray>("after"); // the folder, then its subfolder s
        const QString refused = u"b.mkv: not undone, its journal entry is no rename within a folder or to its subfolder"_qs;
        QTest::newRow("an older journal") << QByteArray("%F/a.mkv") << QByteArray("%F/b.mkv") << QString() << QByteArray("a.mkv;");
        QTest::newRow("out of a subfolder") << QByteArray("%F/s/a.mkv") << QByteArray("%F/b.mkv") << QString() << QByteArray(";a.mkv");
        QTest::newRow("two folders down") << QByteArray("%F/s/t/a.mkv") << QByteArray("%F/b.mkv") << refused << QByteArray("b.mkv;");
        QTest::newRow("along ..") << QByteArray("%F/s/../a.mkv") << QByteArray("%F/b.mkv") << refused << QByteArray("b.mkv;");
        QTest::newRow("a whole folder") << QByteArray("%F/e") << QByteArray("%F/s")
                                        << u"s: not undone, the file at the new name is not the one renamed"_qs << QByteArray("b.mkv;");
        QTest::newRow("a file written, not an .nfo") << QByteArray("\",\"step\":\"file") << QByteArray("%F/b.mkv")
                                        << refused << QByteArray("b.mkv;");
    }
    void handWrittenLines()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, left);
        write(at("b.mkv"), "b");
        QCOMPARE(::mkdir(at("s"), 0755), 0);
        write(m_folder + ".jsonl", "{\"batch\":\"h\",\"kind\":\"rename\"}\n{\"batch\":\"h\",\"move\":0,\"from\":\""
                + from.replace("%F", m_folder) + "\",\"to\":\"" + to.replace("%F", m_folder) + "\"}\n{\"batch\":\"h\",\"done\":0}\n");
        RenameJournal journal(QFile::decodeName(m_folder + ".jsonl"));
        QCOMPARE(leftTexts(undoLatest(journal, false), m_folder), left);
        QTEST(listing(m_folder) + ';' + listing(at("s")), "after");
    }

    // An undo that could not take every file back leaves its batch undoable ("partly undone")
    // until every file is back, and the older batch alone. A damaged tail the older batch left in
    // the journal (a crash, a full disk) costs the newer batch nothing.
    void partialUndo_data()
    {
        QTest::addColumn<QByteArray>("meddle");
        QTest::addColumn<QByteArray>("first"); // the folder after the first undo
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("an old name taken; a line cut short") << QByteArray("take") << QByteArray("A.mkv|C.mkv|D.mkv|X.mkv")
                                                              << QByteArray("{\"batch\":\"x\",\"move\":0,\"from\":\"/a");
        QTest::newRow("interrupted; garbage lines") << QByteArray("stop") << QByteArray("B.mkv|C.mkv|X.mkv")
                                                     << QByteArray("\x01\n{\"batch\":5}\n[]\n{\"batch\":\"y\",\"kind\":");
        QTest::newRow("a folder unreachable; 50 MB of NUL bytes") << QByteArray("unmount") << QByteArray("B.mkv|D.mkv|X.mkv")
                                                                  << QByteArray(50 << 20, '\0');
        QTest::newRow("an undo cut short") << QByteArray("cut") << QByteArray("A.mkv|C.mkv|X.mkv") << QByteArray();
    }
    void partialUndo()
    {
        QFETCH(QByteArray, meddle);
        for (const char *name : {"A.mkv", "C.mkv", "W.mkv"})
            write(at(name), name);
        rename({"W.mkv"}, {u"X"_qs}); // an older batch, never to be touched here
        QFETCH(QByteArray, tail);
        write(QFile::encodeName(RenameJournal::defaultPath()), tail, O_APPEND);
        rename({"A.mkv", "C.mkv"}, {u"B"_qs, u"D"_qs});
        const QString id = RenameJournal::readBatches(RenameJournal::defaultPath()).last().id;
        if (meddle == "take")
            write(at("C.mkv"), "mine");
        if (meddle == "unmount")
            QCOMPARE(::rename(m_folder, m_folder + ".away"), 0);
        if (meddle == "stop") // after the first row
            RenameJournal::setAfterMoveHook([] { stopNow = true; });
        if (meddle == "cut") { // killed after moving D.mkv back, before marking it
            QCOMPARE(::rename(at("D.mkv"), at("C.mkv")), 0);
            RenameJournal journal;
            QString error;
            QVERIFY(journal.beginBatch(id) && journal.announceMoves({JournalMove{at("D.mkv"), at("C.mkv"), {}, -1, -1, {}, 1, false}}, &error));
        }
        RenameJournal journal;
        const UndoReport first = undoLatest(journal, false, {}, &stopNow);
        RenameJournal::setAfterMoveHook(nullptr);
        if (meddle == "unmount")
            QCOMPARE(::rename(m_folder + ".away", m_folder), 0);
        QCOMPARE(first.interrupted, meddle == "stop");
        QTEST(listing(m_folder), "first");
        const QList<JournalBatch> batches = RenameJournal::readBatches(RenameJournal::defaultPath());
        QCOMPARE(batches[1].undone, meddle == "cut");
        QCOMPARE(batches[1].partlyUndone, meddle == "take" || meddle == "stop");
        if (meddle == "take")
            QCOMPARE(::unlink(at("C.mkv")), 0);
        stopNow = false;
        const UndoReport second = undoLatest(journal, false);
        QCOMPARE(second.batch->id, meddle == "cut" ? batches.first().id : id);
        QVERIFY(second.isComplete());
        QCOMPARE(listing(m_folder), meddle == "cut" ? QByteArray("A.mkv|C.mkv|W.mkv") : QByteArray("A.mkv|C.mkv|X.mkv"));
    }

    // An undo's dry run fails as the undo would when the journal cannot be written.
    void dryRunKnowsTheJournal_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder in its place") << QByteArray("/renames.jsonl/") << u"Is a directory"_qs;
        QTest::newRow("a FIFO in its place") << QByteArray("/renames.jsonl") << u"not a regular file"_qs;
    }
    void dryRunKnowsTheJournal()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, reason);
        const QByteArray folder = m_folder + "/Tolvane";
        QCOMPARE(::mkdir(folder, 0700), 0);
        QCOMPARE(block.endsWith('/') ? ::mkdir(folder + block, 0700) : ::mkfifo(folder + block, 0600), 0);
        RenameJournal journal(QFile::decodeName(folder + "/renames.jsonl"));
        const JournalBatch batch{u"x"_qs, {}, false, {}, {}, false, false, 2, {}};
        const std::optional<QString> dry = undoBatch(journal, batch, true).error;
        QCOMPARE(dry, u"The rename journal %1 can’t be written: %2"_qs.arg(journal.path(), reason));
        QCOMPARE(undoBatch(journal, batch, false).error, dry);
        QString error; // and the reading neither blocks nor takes it for a journal
        QVERIFY(RenameJournal::readBatches(journal.path(), &error).isEmpty() && error.endsWith(u"not a regular file"));
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
