// A row's rename as one plan, on real files: film folders made or reused, the .nfo written,
// rows already named, all or nothing when a step fails midway, and the undo of all of it.
#include "core/FilePaths.h"
#include "library/LibraryModel.h"
#include "library/RenameJournal.h"
#include "library/RenamePlan.h"
#include "library/RenameUndo.h"
#include "settings/AppSettings.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane;

namespace {

QByteArray root;
int hookAt = 0; // the step mark at which `meddle` runs
std::function<void()> meddle;

void write(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(root + '/' + path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    QCOMPARE(::write(fd, content.constData(), size_t(content.size())), ssize_t(content.size()));
    ::close(fd);
}

/// Every entry under the root, "folder/" or "file=content" (an .nfo the rename wrote: "=xml").
QString tree()
{
    QStringList entries;
    for (QDirIterator it(QFile::decodeName(root), QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();) {
        const QFileInfo info(it.next());
        const QString path = info.filePath().mid(root.size() + 1);
        QFile file(info.filePath());
        const QByteArray content = info.isDir() || !file.open(QIODevice::ReadOnly) ? QByteArray() : file.readAll();
        entries.append(info.isDir() ? path + u'/' : path + u'=' + (content.startsWith("<?xml") ? u"xml"_qs : QString::fromUtf8(content)));
    }
    entries.sort();
    return entries.join(u'|');
}

/// The plan's steps, paths under the root.
QString stepsText(const PlannedRename &plan)
{
    QStringList texts;
    const auto shown = [](const QByteArray &path) { return QFile::decodeName(path.mid(root.size() + 1)); };
    for (const RenameStep &step : plan.steps)
        texts.append(step.kind == RenameStep::Kind::makeFolder ? u"mkdir "_qs + shown(step.to)
                : step.kind == RenameStep::Kind::move          ? shown(step.from) + u" > "_qs + shown(step.to)
                                                               : u"write "_qs + shown(step.to));
    return plan.alreadyNamed ? u"already named"_qs : texts.join(u", ");
}

QString undoText(const UndoReport &report)
{
    QStringList texts;
    for (const UndoStep &step : report.steps)
        texts.append(QString::number(int(step.action)) + (step.kind == UndoStep::Kind::kept ? u"k"_qs : u"+"_qs));
    return texts.join(u' ');
}

/// A model of the root's videos in `layout`, each row ready with a title of `titles` ("T 1999 603": title, year, TMDB id).
void ready(LibraryModel &model, const QString &layout, const QStringList &titles)
{
    model.setNamingOptions({*layoutFromKey(layout), true});
    QCoro::waitFor(model.addURLs({fileURL(root)}));
    QCOMPARE(model.items().size(), titles.size());
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QStringList words = titles[i].split(u' ');
        MovieMatch match;
        std::tie(match.title, match.year) = std::tuple(words[0], words[1].toInt());
        if (words.size() > 2)
            match.pageURL = QUrl(u"https://www.themoviedb.org/movie/"_qs + words[2]);
        model.items()[i]->setEngineReplies({{SearchEngine::yandexAI, EngineReplyStatus::success(match), {}}});
        model.items()[i]->applyMatch(match, SearchEngine::yandexAI);
    }
}

} // namespace

class TestRenamePlan : public QObject {
    Q_OBJECT
    QTemporaryDir m_temp;

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *name : {"XDG_STATE_HOME", "XDG_CONFIG_HOME", "HOME"})
            qputenv(name, QFile::encodeName(m_temp.path()));
        RenameJournal::setAfterMoveHook([] {
            if (--hookAt == 0)
                meddle();
        });
    }
    void init()
    {
        static int count = 0;
        root = QFile::encodeName(m_temp.path()) + "/case" + QByteArray::number(++count);
        QCOMPARE(::mkdir(root, 0755), 0);
        QFile::remove(RenameJournal::defaultPath());
        hookAt = 0;
    }

    // The plan a dry run shows is what the rename does; the undo then brings the tree back, but
    // for what became the user's. Film titles are one word here.
    void renameAndUndo_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<bool>("nfo");
        QTest::addColumn<QByteArray>("files"); // each holds its own name
        QTest::addColumn<QString>("titles");
        QTest::addColumn<QString>("steps"); // of the first row
        QTest::addColumn<QString>("renamed");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("added"); // a file added under the root after the rename
        QTest::addColumn<QString>("undone"); // empty: the tree as it was
        QTest::newRow("folder made, companions follow") << u"jellyfin"_qs << false << QByteArray("m.mkv|m.en.srt") << u"Heat 1995 949"_qs
            << u"mkdir Heat (1995) [tmdbid-949], m.mkv > Heat (1995) [tmdbid-949]/Heat (1995) [tmdbid-949].mkv, "
               "m.en.srt > Heat (1995) [tmdbid-949]/Heat (1995) [tmdbid-949].en.srt"_qs
            << u"Heat (1995) [tmdbid-949]/|Heat (1995) [tmdbid-949]/Heat (1995) [tmdbid-949].en.srt=m.en.srt|"
               "Heat (1995) [tmdbid-949]/Heat (1995) [tmdbid-949].mkv=m.mkv"_qs
            << u"Renamed → Heat (1995) [tmdbid-949]/Heat (1995) [tmdbid-949].mkv"_qs << QByteArray() << QString();
        QTest::newRow("folder there, used") << u"kodi"_qs << false << QByteArray("Heat (1995)/a.txt|m.mkv") << u"Heat 1995"_qs
            << u"m.mkv > Heat (1995)/Heat (1995).mkv"_qs << u"Heat (1995)/|Heat (1995)/Heat (1995).mkv=m.mkv|Heat (1995)/a.txt=Heat (1995)/a.txt"_qs
            << u"Renamed → Heat (1995)/Heat (1995).mkv"_qs << QByteArray() << QString();
        QTest::newRow("two parts, one folder") << u"plex"_qs << false << QByteArray("F.cd1.avi|F.cd2.avi") << u"Ran 1985|Ran 1985"_qs
            << u"mkdir Ran (1985), F.cd1.avi > Ran (1985)/Ran (1985) - cd1.avi"_qs
            << u"Ran (1985)/|Ran (1985)/Ran (1985) - cd1.avi=F.cd1.avi|Ran (1985)/Ran (1985) - cd2.avi=F.cd2.avi"_qs
            << u"Renamed → Ran (1985)/Ran (1985) - cd2.avi"_qs << QByteArray() << QString();
        QTest::newRow("already named in its folder") << u"jellyfin"_qs << true << QByteArray("Ran (1985)/Ran (1985).mkv") << u"Ran 1985"_qs
            << u"already named"_qs << u"Ran (1985)/|Ran (1985)/Ran (1985).mkv=Ran (1985)/Ran (1985).mkv"_qs
            << u"Already named: Ran (1985).mkv"_qs << QByteArray() << QString();
        QTest::newRow("already named, flat") << u"flat"_qs << true << QByteArray("Ran(1985).mkv") << u"Ran 1985"_qs
            << u"already named"_qs << u"Ran(1985).mkv=Ran(1985).mkv"_qs << u"Already named: Ran(1985).mkv"_qs << QByteArray() << QString();
        QTest::newRow(".nfo written, flat") << u"flat"_qs << true << QByteArray("m.mkv") << u"Ran 1985"_qs
            << u"m.mkv > Ran(1985).mkv, write Ran(1985).nfo"_qs << u"Ran(1985).mkv=m.mkv|Ran(1985).nfo=xml"_qs
            << u"Renamed → Ran(1985).mkv"_qs << QByteArray() << QString();
        QTest::newRow("the video's .nfo moves, none written") << u"kodi"_qs << true << QByteArray("m.mkv|m.nfo") << u"Ran 1985"_qs
            << u"mkdir Ran (1985), m.mkv > Ran (1985)/Ran (1985).mkv, m.nfo > Ran (1985)/Ran (1985).nfo"_qs
            << u"Ran (1985)/|Ran (1985)/Ran (1985).mkv=m.mkv|Ran (1985)/Ran (1985).nfo=m.nfo"_qs
            << u"Renamed → Ran (1985)/Ran (1985).mkv"_qs << QByteArray() << QString();
        QTest::newRow("an edited .nfo stays, and its folder") << u"kodi"_qs << true << QByteArray("m.mkv") << u"Ran 1985"_qs
            << u"mkdir Ran (1985), m.mkv > Ran (1985)/Ran (1985).mkv, write Ran (1985)/Ran (1985).nfo"_qs
            << u"Ran (1985)/|Ran (1985)/Ran (1985).mkv=m.mkv|Ran (1985)/Ran (1985).nfo=xml"_qs << u"Renamed → Ran (1985)/Ran (1985).mkv"_qs
            << QByteArray("Ran (1985)/Ran (1985).nfo") << u"Ran (1985)/|Ran (1985)/Ran (1985).nfo=xml|m.mkv=m.mkv"_qs;
        QTest::newRow("a folder holding another file stays") << u"kodi"_qs << false << QByteArray("m.mkv") << u"Ran 1985"_qs
            << u"mkdir Ran (1985), m.mkv > Ran (1985)/Ran (1985).mkv"_qs << u"Ran (1985)/|Ran (1985)/Ran (1985).mkv=m.mkv"_qs
            << u"Renamed → Ran (1985)/Ran (1985).mkv"_qs << QByteArray("Ran (1985)/x") << u"Ran (1985)/|Ran (1985)/x=Ran (1985)/x|m.mkv=m.mkv"_qs;
    }
    void renameAndUndo()
    {
        QFETCH(QByteArray, files);
        QFETCH(QByteArray, added);
        QFETCH(QString, undone);
        for (const QByteArray &file : files.split('|')) {
            QDir().mkpath(QFile::decodeName(root + '/' + nativeFolder(file)));
            write(file, file);
        }
        const QString before = tree();
        QFETCH(bool, nfo);
        AppSettings::storeWriteNfo(nfo);
        LibraryModel model;
        QFETCH(QString, layout);
        QFETCH(QString, titles);
        ready(model, layout, titles.split(u'|'));
        const QList<PlannedRename> plan = planRenames(model.items(), RenameOptions{true, nfo});
        QTEST(stepsText(plan.first()), "steps");
        model.renameAllReady();
        QTEST(tree(), "renamed");
        QTEST(model.statusText(), "status");
        if (!added.isEmpty())
            write(added, added);

        RenameJournal journal;
        const UndoReport dry = undoLatest(journal, true), real = undoLatest(journal, false);
        QCOMPARE(undoText(dry), undoText(real));
        QCOMPARE(real.isComplete(), true);
        QCOMPARE(tree(), undone.isEmpty() ? before : undone);
        QVERIFY(!undoLatest(journal, true).batch); // nothing left to undo: what stays is the user's
    }

    // A step failing midway takes back every step before it: the tree is as it was, but for
    // the meddling.
    void allOrNothing_data()
    {
        QTest::addColumn<int>("at"); // the mark after which the meddling comes
        QTest::addColumn<QByteArray>("from"); // moved away to "gone", or made when there is no `to`
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("after");
        QTest::newRow("a companion gone") << 2 << QByteArray("m.en.srt") << u"“m.mkv” couldn’t be renamed: No such file or directory"_qs
                                          << u"gone=m.en.srt|m.mkv=m.mkv"_qs;
        QTest::newRow("the .nfo's name taken") << 3 << QByteArray("Ran (1985)/Ran (1985).nfo")
                                               << u"Target exists: Ran (1985).nfo; “Ran (1985)” is left"_qs
                                               << u"Ran (1985)/|Ran (1985)/Ran (1985).nfo=x|m.en.srt=m.en.srt|m.mkv=m.mkv"_qs;
        QTest::newRow("a file where the folder goes") << 0 << QByteArray("Ran (1985)") << u"Target exists: Ran (1985)"_qs
                                                      << u"Ran (1985)=x|m.en.srt=m.en.srt|m.mkv=m.mkv"_qs;
    }
    void allOrNothing()
    {
        QFETCH(int, at);
        QFETCH(QByteArray, from);
        for (const QByteArray &file : {QByteArray("m.mkv"), QByteArray("m.en.srt")})
            write(file, file);
        meddle = [from] {
            if (from.endsWith(".srt"))
                QCOMPARE(::rename(root + '/' + from, root + "/gone"), 0);
            else
                write(from, "x");
        };
        if (at == 0)
            meddle();
        AppSettings::storeWriteNfo(true);
        LibraryModel model;
        ready(model, u"kodi"_qs, {u"Ran 1985"_qs});
        hookAt = at;
        const std::optional<QString> failed = model.rename(model.items().first());
        QTEST(failed.value_or(QString()).remove(QFile::decodeName(root + '/')), "failure");
        QTEST(tree(), "after");
    }
};

QTEST_GUILESS_MAIN(TestRenamePlan)
#include "tst_renameplan.moc"
