// Companion files, the all-or-nothing rename, the journal and its undo, on real files.
#include "core/FilePaths.h"
#include "library/CompanionFiles.h"
#include "library/RenameJournal.h"
#include "library/RenamePlan.h"
#include "library/RenameUndo.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane;

namespace {

QList<QByteArray> words(const char *joined)
{
    QList<QByteArray> list = QByteArray(joined).split('|');
    list.removeAll(QByteArray());
    return list;
}

void touch(const QByteArray &path)
{
    ::close(::open(path.constData(), O_WRONLY | O_CREAT, 0644));
}

/// The folder's names, sorted, joined by "|".
QByteArray listing(const QByteArray &folder)
{
    QList<QByteArray> names = folderEntries(folder);
    std::sort(names.begin(), names.end());
    return names.join('|');
}

/// A ready row for `folder/name` that renames to `target`.
MovieItemPtr row(const QByteArray &folder, const QByteArray &name, const QString &title)
{
    auto item = std::make_shared<MovieItem>(folder + '/' + name);
    MovieMatch match;
    match.title = title;
    item->applyMatch(match, SearchEngine::yandexAI);
    return item;
}

QByteArray hookFile;
void createOnFirstMove()
{
    for (const QByteArray &path : hookFile.split('|'))
        touch(path);
}
void pauseForKill()
{
    std::puts("moved");
    std::fflush(stdout);
    char byte;
    [[maybe_unused]] const auto ignored = ::read(STDIN_FILENO, &byte, 1);
}

/// The crash child: renames one row with two files and waits after the first move to be killed.
int crashChild(const QByteArray &folder)
{
    RenameJournal::setAfterMoveHook(pauseForKill);
    RenameJournal journal;
    const MovieItemPtr item = row(folder, "A.mkv", u"B"_qs);
    return performRename(*item, companionMovesFor(*item), &journal) ? 1 : 0;
}

} // namespace

class TestCompanions : public QObject {
    Q_OBJECT
    QTemporaryDir m_state;
    QByteArray m_folder;

    QString journalPath() const { return RenameJournal::defaultPath(); }
    QList<JournalBatch> batches() const { return RenameJournal::readBatches(journalPath()); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_state.isValid());
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_state.path()));
    }

    void init()
    {
        // Each case gets a fresh folder, so that no file of one case is seen by the next.
        static int count = 0;
        m_folder = QFile::encodeName(m_state.path()) + "/films" + QByteArray::number(++count);
        QDir().mkpath(QFile::decodeName(m_folder));
    }

    void matching_data()
    {
        QTest::addColumn<QByteArray>("names");
        QTest::addColumn<QByteArray>("renamed");
        QTest::addColumn<QByteArray>("claimed"); // "video>file" pairs
        QTest::newRow("the film's files, not its extras")
            << QByteArray("Matritsa.1999.1080p.mkv|Matritsa.1999.1080p.srt|Matritsa.1999.1080p.en.srt|"
                          "Matritsa.1999.1080p.ru.forced.ass|Matritsa.1999.1080p.nfo|notes.txt|"
                          "Matritsa.1999.1080p.Making.Of.srt|matritsa.1999.1080p.srt")
            << QByteArray("Matritsa.1999.1080p.mkv")
            << QByteArray("Matritsa.1999.1080p.mkv>Matritsa.1999.1080p.en.srt|Matritsa.1999.1080p.mkv>Matritsa.1999.1080p.nfo|"
                          "Matritsa.1999.1080p.mkv>Matritsa.1999.1080p.ru.forced.ass|Matritsa.1999.1080p.mkv>Matritsa.1999.1080p.srt");
        QTest::newRow("the longer base wins, renamed or not")
            << QByteArray("Alien.mkv|Alien.Resurrection.mkv|Alien.Resurrection.en.srt|Alien.en.srt|Alien.de.mkv|Alien.de.ass")
            << QByteArray("Alien.mkv|Alien.Resurrection.mkv")
            << QByteArray("Alien.Resurrection.mkv>Alien.Resurrection.en.srt|Alien.mkv>Alien.en.srt");
        QTest::newRow("tags, flags, images, case")
            << QByteArray("A.avi|A.pt-BR.SRT|A.es-419.vtt|A.rus.sdh.hi.cc.default.sub|A.EN.Idx|A.jpg|A.WEBP|"
                          "A.en.jpg|A.xx.srt|A.pt-BRA.srt|A..srt|A.srt.txt|A.mkv.srt|A.forced|A")
            << QByteArray("A.avi")
            << QByteArray("A.avi>A.EN.Idx|A.avi>A.WEBP|A.avi>A.es-419.vtt|A.avi>A.jpg|A.avi>A.pt-BR.SRT|A.avi>A.rus.sdh.hi.cc.default.sub");
        QTest::newRow("bytes that are not UTF-8")
            << QByteArray("Am\xe9lie.avi|Am\xe9lie.fr.srt|Am\xc3\xa9lie.srt") << QByteArray("Am\xe9lie.avi")
            << QByteArray("Am\xe9lie.avi>Am\xe9lie.fr.srt");
        QTest::newRow("two videos of one base name: the first in list order")
            << QByteArray("e05 x 1999.mkv|e05 x 1999.avi|e05 x 1999.en.srt")
            << QByteArray("e05 x 1999.avi|e05 x 1999.mkv") << QByteArray("e05 x 1999.avi>e05 x 1999.en.srt");
    }

    void matching()
    {
        QFETCH(QByteArray, names);
        QFETCH(QByteArray, renamed);
        const auto matched = matchCompanions(words(names), words(renamed));
        QList<QByteArray> pairs;
        for (auto entry = matched.cbegin(); entry != matched.cend(); ++entry)
            for (const QByteArray &name : *entry)
                pairs.append(entry.key() + '>' + name);
        std::sort(pairs.begin(), pairs.end());
        QTEST(pairs.join('|'), "claimed");
    }

    // A row's rename is all or nothing, however late the obstacle turns up.
    void allOrNothing_data()
    {
        QTest::addColumn<QByteArray>("takenBefore"); // exists before the plan
        QTest::addColumn<QByteArray>("takenAfterPlan");
        QTest::addColumn<QByteArray>("takenAfterFirstMove");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("all move") << QByteArray() << QByteArray() << QByteArray() << QString()
                                  << QByteArray("B.en.srt|B.mkv|B.nfo|notes.txt");
        QTest::newRow("taken before the plan") << QByteArray("B.nfo") << QByteArray() << QByteArray()
                                               << u"Target exists: B.nfo"_qs
                                               << QByteArray("A.en.srt|A.mkv|A.nfo|B.nfo|notes.txt");
        QTest::newRow("taken after the plan") << QByteArray() << QByteArray("B.nfo") << QByteArray()
                                              << u"Target exists: B.nfo"_qs
                                              << QByteArray("A.en.srt|A.mkv|A.nfo|B.nfo|notes.txt");
        QTest::newRow("taken after the first move, taken back") << QByteArray() << QByteArray() << QByteArray("B.en.srt")
                                                          << u"Target exists: B.en.srt"_qs
                                                          << QByteArray("A.en.srt|A.mkv|A.nfo|B.en.srt|notes.txt");
        // Its old name taken too: the video stays renamed, and the failure says so.
        QTest::newRow("taken after the first move, stuck")
            << QByteArray() << QByteArray() << QByteArray("B.en.srt|A.mkv")
            << u"Target exists: B.en.srt; “A.mkv” is left as “B.mkv”"_qs
            << QByteArray("A.en.srt|A.mkv|A.nfo|B.en.srt|B.mkv|notes.txt");
    }

    void allOrNothing()
    {
        QFETCH(QByteArray, takenBefore);
        QFETCH(QByteArray, takenAfterPlan);
        QFETCH(QByteArray, takenAfterFirstMove);
        for (const char *name : {"A.mkv", "A.en.srt", "A.nfo", "notes.txt"})
            touch(m_folder + '/' + name);
        if (!takenBefore.isEmpty())
            touch(m_folder + '/' + takenBefore);
        const MovieItemPtr item = row(m_folder, "A.mkv", u"B"_qs);
        const QList<PlannedRename> plan = planRenames({item}, true);
        QCOMPARE(plan.size(), 1);
        QCOMPARE(plan[0].failure, takenBefore.isEmpty() ? std::nullopt : std::optional(u"Target exists: B.nfo"_qs));
        QCOMPARE(companionSummaryText(plan[0].companions), u"+ 2 files: .en.srt, .nfo"_qs);
        if (!takenAfterPlan.isEmpty())
            touch(m_folder + '/' + takenAfterPlan);
        hookFile = m_folder + '/' + takenAfterFirstMove.replace('|', '|' + m_folder + '/');
        if (!takenAfterFirstMove.isEmpty())
            RenameJournal::setAfterMoveHook(createOnFirstMove);
        RenameJournal journal;
        const std::optional<QString> failure = performRename(*item, plan[0].companions, &journal);
        RenameJournal::setAfterMoveHook(nullptr);
        journal.endBatch();
        QTEST(failure.value_or(QString()), "failure");
        QTEST(listing(m_folder), "after");
        // The journal tells the same: every move made and kept is done, a taken-back one reverted.
        const QList<JournalBatch> written = batches();
        if (!takenAfterFirstMove.isEmpty())
            QCOMPARE(written.last().moves.first().state,
                failure->contains(u"left") ? JournalMove::State::done : JournalMove::State::reverted);
        if (!failure)
            QCOMPARE(written.last().fileCount(), 3);
    }

    // A process killed between two moves leaves a journal that an undo can use.
    void crashBetweenMoves()
    {
        for (const char *name : {"A.mkv", "A.srt"})
            touch(m_folder + '/' + name);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TST_COMPANIONS_CRASH"_qs, QFile::decodeName(m_folder));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForReadyRead(30000));
        QCOMPARE(child.readLine(), QByteArray("moved\n"));
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(listing(m_folder), QByteArray("A.srt|B.mkv"));

        const QList<JournalBatch> written = batches();
        QCOMPARE(written.last().unconfirmedCount(), 2);
        QCOMPARE(written.last().folder(), m_folder);
        RenameJournal journal;
        const UndoReport report = undoLatest(journal, false);
        QVERIFY(report.isComplete());
        QCOMPARE(report.movedCount(), 1);
        QCOMPARE(listing(m_folder), QByteArray("A.mkv|A.srt"));
    }

    // Undo leaves what it cannot put back, names it, and never undoes twice.
    void undo_data()
    {
        QTest::addColumn<QByteArray>("meddle"); // "gone:NAME" or "take:NAME" after the rename
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("left");
        QTest::newRow("clean") << QByteArray() << QByteArray("A.mkv|A.srt") << QString();
        QTest::newRow("moved away") << QByteArray("gone:B.srt") << QByteArray("B.mkv")
                                    << u"%1/B.srt: no longer there; not moved back to A.srt\n"
                                       "%1/B.mkv: left where it is with B.srt, which is not moved back"_qs;
        QTest::newRow("old name taken") << QByteArray("take:A.mkv") << QByteArray("A.mkv|B.mkv|B.srt")
                                        << u"%1/B.srt: left where it is with B.mkv, which is not moved back\n"
                                           "%1/B.mkv: left where it is; its old name A.mkv is taken"_qs;
    }

    void undo()
    {
        QFETCH(QByteArray, meddle);
        QFETCH(QString, left);
        for (const char *name : {"A.mkv", "A.srt"})
            touch(m_folder + '/' + name);
        RenameJournal journal;
        const MovieItemPtr item = row(m_folder, "A.mkv", u"B"_qs);
        QCOMPARE(performRename(*item, companionMovesFor(*item), &journal), std::nullopt);
        journal.endBatch();
        const QByteArray path = m_folder + '/' + meddle.mid(5);
        if (meddle.startsWith("gone:"))
            QCOMPARE(::unlink(path.constData()), 0);
        else if (meddle.startsWith("take:"))
            touch(path);

        const UndoReport dry = undoLatest(journal, true);
        const UndoReport report = undoLatest(journal, false);
        QCOMPARE(dry.steps.size(), report.steps.size());
        QCOMPARE(dry.isComplete(), left.isEmpty());
        QCOMPARE(report.isComplete(), left.isEmpty());
        QStringList lines;
        for (const UndoStep &step : report.steps)
            if (const QString line = undoStepText(step); !line.isEmpty())
                lines.append(line);
        QCOMPARE(lines.join(u'\n'), left.isEmpty() ? left : left.arg(QFile::decodeName(m_folder)));
        QTEST(listing(m_folder), "after");

        // The undo itself is a batch, never offered; the batch is offered again until every file is back.
        const QList<JournalBatch> written = batches();
        QVERIFY(written.last().isUndo);
        QCOMPARE(written[written.size() - 2].undone, left.isEmpty());
        const std::optional<JournalBatch> next = undoableBatch(written);
        QVERIFY(!next || next->time <= written[written.size() - 2].time);
        QCOMPARE(next && next->id == written[written.size() - 2].id, !left.isEmpty());
    }

    void journalKeepsTheNewestBatchesPrivate()
    {
        const QString path = m_state.path() + u"/kept.jsonl"_qs;
        RenameJournal journal(path);
        for (int batch = 0; batch < RenameJournal::keptBatches + 5; ++batch) {
            journal.beginBatch();
            QString error;
            QVERIFY(journal.announceMove("/x/" + QByteArray::number(batch), "/x/\xff", &error));
            journal.endBatch();
        }
        const QList<JournalBatch> kept = RenameJournal::readBatches(path);
        QCOMPARE(kept.size(), RenameJournal::keptBatches);
        QCOMPARE(kept.first().moves.first().from, QByteArray("/x/5"));
        QCOMPARE(kept.first().moves.first().to, QByteArray("/x/\xff"));
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (const QByteArray folder = qgetenv("TST_COMPANIONS_CRASH"); !folder.isEmpty())
        return crashChild(folder);
    TestCompanions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_companions.moc"
