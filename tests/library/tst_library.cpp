#include "core/FilePaths.h"
#include "library/FileMover.h"
#include "library/Intake.h"
#include "library/LibraryModel.h"
#include "library/RenamePlan.h"
#include "support/DesktopServices.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using namespace tolvane;

namespace {

// Keeps the tables short: "a|b|c" is a list of three.
QList<QByteArray> list(const QByteArray &joined)
{
    QList<QByteArray> parts = joined.split('|');
    parts.removeAll(QByteArray());
    return parts;
}

void makeReady(const MovieItemPtr &item, const QString &title, int year)
{
    MovieMatch match;
    match.title = title;
    match.year = year;
    item->applyMatch(match, SearchEngine::yandexAI);
}

// One text per row, "|"-joined like the tables.
template<typename Field> QString joined(const QList<MovieItemPtr> &items, Field field)
{
    QStringList result;
    for (const MovieItemPtr &item : items)
        result.append(field(*item));
    return result.join(u'|');
}

struct FakeDesktop : DesktopServices {
    std::optional<QList<QUrl>> chosen;
    QStringList asked;
    QList<QList<QUrl>> revealed;

    std::optional<QList<QUrl>> chooseFilesAndFolders(const QString &prompt, const QString &message) override
    {
        asked = {prompt, message};
        return chosen;
    }
    void revealFiles(const QList<QUrl> &files) override { revealed.append(files); }
    void openUrl(const QUrl &) override { }
    void setClipboardText(const QString &) override { }
};

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp;
    QByteArray m_root; // non-ASCII, so every case runs on such a path

    QByteArray at(const QByteArray &relative) const { return m_root + '/' + relative; }

    // "d/" a folder, "p!" a pipe, "l>target" a symbolic link; any other entry a file holding its
    // own name, so that moves can be traced. Names are bytes: they need not be UTF-8.
    void create(const QList<QByteArray> &entries)
    {
        for (QByteArray entry : entries) {
            const qsizetype arrow = entry.indexOf('>');
            const QByteArray name = arrow < 0 ? entry : entry.left(arrow);
            for (qsizetype slash = name.indexOf('/'); slash > 0; slash = name.indexOf('/', slash + 1))
                QVERIFY(mkdir(at(name.left(slash)).constData(), 0755) == 0 || errno == EEXIST);
            if (arrow >= 0) {
                QCOMPARE(symlink(entry.mid(arrow + 1).constData(), at(name).constData()), 0);
            } else if (entry.endsWith('/')) {
                continue;
            } else if (entry.endsWith('!')) {
                entry.chop(1);
                QCOMPARE(mkfifo(at(entry).constData(), 0644), 0);
            } else {
                const int fd = open(at(entry).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                QVERIFY(fd >= 0);
                QCOMPARE(write(fd, entry.constData(), entry.size()), ssize_t(entry.size()));
                close(fd);
            }
        }
    }
    QList<QUrl> urls(const QList<QByteArray> &paths) const
    {
        QList<QUrl> result;
        for (const QByteArray &path : paths)
            result.append(fileURL(cleanNativePath(at(path))));
        return result;
    }
    QByteArray relative(const QByteArray &path) const { return path.mid(m_root.size() + 1); }
    QByteArray rowPaths(const LibraryModel &model) const
    {
        QList<QByteArray> paths;
        for (const MovieItemPtr &item : model.items())
            paths.append(relative(item->nativePath()));
        return paths.join('|');
    }
    // Each entry of the root as "name=content", in byte order.
    QByteArray listing() const
    {
        QList<QByteArray> entries;
        DIR *dir = opendir(m_root.constData());
        while (const dirent *entry = readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            const int fd = open(at(name).constData(), O_RDONLY);
            char content[512];
            const ssize_t size = fd >= 0 ? read(fd, content, sizeof content) : -1;
            if (fd >= 0)
                close(fd);
            entries.append(name + '=' + QByteArray(content, std::max<ssize_t>(size, 0)));
        }
        closedir(dir);
        std::sort(entries.begin(), entries.end());
        return entries.join('|');
    }
    void loadIdleRows(LibraryModel &model, qsizetype count)
    {
        for (qsizetype i = 0; i < count; ++i)
            create({"rows/" + QByteArray::number(i) + ".mkv"});
        model.addURLs(urls({"rows"}));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // CI runs in the C locale; pin it so that the order a person expects is checked everywhere.
        QLocale::setDefault(QLocale::c());
    }
    void init()
    {
        QVERIFY(m_temp.isValid());
        m_root = QFile::encodeName(m_temp.path()) + "/Con \xec\x9e\x90\xeb\xb0\xb1"; // Con 자백
        QCOMPARE(mkdir(m_root.constData(), 0755), 0);
    }
    void cleanup()
    {
        // By bytes: Qt's own removal cannot reach names that are not UTF-8.
        chmod(m_root.constData(), 0755);
        nftw(m_root.constData(), [](const char *path, const struct stat *, int, FTW *) { return remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }

    void addURLs_data()
    {
        QTest::addColumn<QByteArray>("files");
        QTest::addColumn<QByteArray>("dropped");
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QByteArray>("folder"); // empty: none recorded
        QTest::newRow("folder") << QByteArray("f/B.mkv|f/a.mp4|f/notes.txt") << QByteArray("f")
                                << QByteArray("f/a.mp4|f/B.mkv") << u"2 file(s) — Lookup"_qs << QByteArray("f");
        QTest::newRow("nested and hidden") << QByteArray("f/s/c.avi|f/.h.mkv|f/.cache/d.mkv|f/e.MKV") << QByteArray("f")
                                           << QByteArray("f/s/c.avi|f/e.MKV") << u"2 file(s) — Lookup"_qs
                                           << QByteArray("f");
        QTest::newRow("hidden video given") << QByteArray(".c/.a.mkv") << QByteArray(".c/.a.mkv")
                                            << QByteArray(".c/.a.mkv") << u"1 file(s) — Lookup"_qs << QByteArray(".c");
        QTest::newRow("no videos, one missing")
            << QByteArray("x.txt|y.jpg") << QByteArray("x.txt|gone.mkv|y.jpg") << QByteArray()
            << u"No video files in drop (2 non-video skipped)"_qs << QByteArray();
        QTest::newRow("empty folder") << QByteArray("e/") << QByteArray("e") << QByteArray()
                                      << u"No video files found"_qs << QByteArray("e");
        QTest::newRow("sorted across sources, each once")
            << QByteArray("x.txt|d1/c.mkv|d2/b.MKV|A.mp4") << QByteArray("x.txt|d2/b.MKV|d1|d1/c.mkv|A.mp4")
            << QByteArray("A.mp4|d2/b.MKV|d1/c.mkv") << u"3 file(s) from 5 items — Lookup"_qs << QByteArray("d2");
        QTest::newRow("equal names keep their order")
            << QByteArray("d1/a.mkv|d2/A.mkv") << QByteArray("d2/A.mkv|d1/a.mkv") << QByteArray("d2/A.mkv|d1/a.mkv")
            << u"2 file(s) from 2 items — Lookup"_qs << QByteArray("d2");
        // A pipe named like a video would block whoever opens it; links count as what they reach.
        QTest::newRow("pipes and links")
            << QByteArray("f/a.mkv|f/p.mkv!|o/b.mkv|o/q.mkv!|f/l.mkv>../o/b.mkv|f/dead.mkv>../o/x.mkv|"
                          "f/lq.mkv>../o/q.mkv|f/lo>../o")
            << QByteArray("f") << QByteArray("f/a.mkv|f/l.mkv") << u"2 file(s) — Lookup"_qs << QByteArray("f");
        QTest::newRow("pipe given") << QByteArray("p.mkv!") << QByteArray("p.mkv") << QByteArray()
                                    << u"No video files in drop (1 non-video skipped)"_qs << QByteArray();
        QTest::newRow("folder and a link to it")
            << QByteArray("f/a.mkv|f/b.mkv|lf>f") << QByteArray("f|lf|lf/a.mkv") << QByteArray("f/a.mkv|f/b.mkv")
            << u"2 file(s) from 3 items — Lookup"_qs << QByteArray("f");
        QTest::newRow("the link first") << QByteArray("f/a.mkv|lf>f") << QByteArray("lf|f")
                                        << QByteArray("lf/a.mkv") << u"1 file(s) from 2 items — Lookup"_qs
                                        << QByteArray("lf");
        // Latin-1 bytes, other Latin-1 bytes and a real U+FFFD: three files, three rows.
        QTest::newRow("names that are not UTF-8")
            << QByteArray("n/Caf\xe9.mkv|n/Caf\xe8.mkv|n/Caf\xef\xbf\xbd.mkv") << QByteArray("n")
            << QByteArray("n/Caf\xe9.mkv|n/Caf\xe8.mkv|n/Caf\xef\xbf\xbd.mkv") << u"3 file(s) — Lookup"_qs
            << QByteArray("n");
    }
    void addURLs()
    {
        QFETCH(QByteArray, files);
        QFETCH(QByteArray, dropped);
        QFETCH(QByteArray, folder);
        create(list(files));
        LibraryModel model;
        model.addURLs(urls(list(dropped)));
        QTEST(rowPaths(model), "rows");
        QTEST(model.statusText(), "status");
        QCOMPARE(model.folderURL(), folder.isEmpty() ? std::nullopt : std::optional(urls({folder}).first()));
        QCOMPARE(model.selectedIDs(), model.items().isEmpty() ? QSet<QUuid>() : QSet{model.items().first()->id()});
    }

    void linkedFoldersAreNotFollowed()
    {
        create({"f/a.mkv", "outside/b.mkv", "f/loop>.", "f/out>../outside"});
        QCOMPARE(scanFolder(at("f")), QList<QByteArray>{at("f/a.mkv")});
    }

    void removeItems_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QList<int>>("removed");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("selectedRows");
        QTest::newRow("selected row") << QList{0} << QList{0} << u"1|2"_qs << u"1"_qs;
        QTest::newRow("other row") << QList{2} << QList{1} << u"0|2"_qs << u"2"_qs;
        QTest::newRow("part of selection") << QList{1, 2} << QList{0, 1} << u"2"_qs << u"2"_qs;
        QTest::newRow("all") << QList{1} << QList{0, 1, 2} << QString() << QString();
    }
    void removeItems()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QList<int>, removed);
        LibraryModel model;
        loadIdleRows(model, 3);
        const auto ids = [&model](const QList<int> &rows) {
            QSet<QUuid> result;
            for (int row : rows)
                result.insert(model.items()[row]->id());
            return result;
        };
        model.setSelectedIDs(ids(selected));
        model.removeItems(ids(removed));
        const auto stem = [](const MovieItem &item) { return item.searchStem(); };
        QTEST(joined(model.items(), stem), "rows");
        QTEST(joined(model.selectedItems(), stem), "selectedRows");
        QCOMPARE(model.statusText(), QStringLiteral("%1 file(s) — select rows and Lookup").arg(model.items().size()));
    }

    void summaryStatus_data()
    {
        QTest::addColumn<QList<LookupStatus>>("statuses");
        QTest::addColumn<QString>("expected");
        const LookupStatus ready = LookupStatus::ready(), idle = LookupStatus::idle();
        const LookupStatus failed = LookupStatus::failed(u"x"_qs);
        QTest::newRow("done") << QList{ready, ready, failed, idle}
                              << u"2 ready, 1 failed, 1 not searched — select & Lookup"_qs;
        QTest::newRow("none searched") << QList{idle, idle} << u"2 file(s) — select rows and Lookup"_qs;
        QTest::newRow("running") << QList{LookupStatus::searching(), ready, failed}
                                 << u"Looking up… 1 running, 1 ready"_qs;
    }
    void summaryStatus()
    {
        QFETCH(QList<LookupStatus>, statuses);
        LibraryModel model;
        loadIdleRows(model, statuses.size());
        for (qsizetype i = 0; i < statuses.size(); ++i)
            model.items()[i]->setStatus(statuses[i]);
        model.removeItems({QUuid::createUuid()}); // no such row: only the status line is recomputed
        QTEST(model.statusText(), "expected");
    }

    // Views redraw on the model's signals: once per real change, never for an unchanged value.
    void modelSignalsRealChangesOnly()
    {
        create({"f/a.mkv", "f/b.mkv"});
        LibraryModel model;
        QSignalSpy items(&model, &LibraryModel::itemsChanged), selection(&model, &LibraryModel::selectedIDsChanged);
        QSignalSpy folder(&model, &LibraryModel::folderURLChanged), status(&model, &LibraryModel::statusTextChanged);
        const auto counts = [&] {
            return QList<qsizetype>{items.count(), selection.count(), folder.count(), status.count()};
        };
        model.addURLs(urls({"f"}));
        QCOMPARE(counts(), (QList<qsizetype>{1, 1, 1, 1}));
        model.addURLs(urls({"f"})); // new rows with new ids; the same folder and status line
        QCOMPARE(counts(), (QList<qsizetype>{2, 2, 1, 1}));
        model.setSelectedIDs(model.selectedIDs());
        QCOMPARE(counts(), (QList<qsizetype>{2, 2, 1, 1}));
        makeReady(model.items().first(), u"A"_qs, 2001);
        QCOMPARE(model.rename(model.items().first()), std::nullopt);
        QCOMPARE(counts(), (QList<qsizetype>{3, 3, 1, 2}));
    }

    void openPanelAndReveal()
    {
        create(list("a.mkv|b.mkv|c.mkv"));
        FakeDesktop desktop;
        LibraryModel model;
        model.setDesktopServices(&desktop);
        model.showOpenPanel(); // cancelled
        QCOMPARE(desktop.asked,
            QStringList({u"Open"_qs, u"Choose video files and/or folders (folders are scanned recursively)"_qs}));
        QCOMPARE(model.statusText(), u"Drop a movie file or a folder"_qs);

        desktop.chosen = urls(list("c.mkv|a.mkv|b.mkv"));
        model.showOpenPanel();
        QCOMPARE(rowPaths(model), QByteArray("a.mkv|b.mkv|c.mkv"));
        model.setSelectedIDs({model.items()[2]->id(), model.items()[0]->id()});
        model.revealSelectedInFinder();
        model.setSelectedIDs({});
        model.revealSelectedInFinder();
        QCOMPARE(desktop.revealed, QList<QList<QUrl>>{urls(list("a.mkv|c.mkv"))});
    }

    void renameOne_data()
    {
        QTest::addColumn<QByteArray>("files"); // the first is renamed
        QTest::addColumn<bool>("vanish");
        QTest::addColumn<QString>("forcedName"); // set over the built name Сталкер(1979).mkv
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("failure");
        const QByteArray stalker = "\xd0\xa1\xd1\x82\xd0\xb0\xd0\xbb\xd0\xba\xd0\xb5\xd1\x80(1979).mkv";
        QTest::newRow("moves") << QByteArray("src.mkv") << false << QString() << stalker + "=src.mkv" << QString();
        QTest::newRow("target exists") << QByteArray("src.mkv|") + stalker << false << QString()
                                       << "src.mkv=src.mkv|" + stalker + '=' + stalker
                                       << u"Target exists: Сталкер(1979).mkv"_qs;
        QTest::newRow("source vanished") << QByteArray("src.mkv") << true << QString() << QByteArray()
                                         << u"“src.mkv” couldn’t be renamed: No such file or directory"_qs;
        QTest::newRow("name leaving the folder") << QByteArray("src.mkv") << false << u"../escaped.mkv"_qs
                                                 << QByteArray("src.mkv=src.mkv")
                                                 << u"Not a valid file name: ../escaped.mkv"_qs;
        QTest::newRow("hidden name") << QByteArray("src.mkv") << false << u".src.mkv"_qs
                                     << QByteArray("src.mkv=src.mkv") << u"Not a valid file name: .src.mkv"_qs;
        QTest::newRow("name over 255 bytes")
            << QByteArray("src.mkv") << false << QString(126, u'Я') + u".mkv"_qs << QByteArray("src.mkv=src.mkv")
            << u"“src.mkv” couldn’t be renamed: File name too long"_qs;
        // The Latin-1 file is renamed, not its look-alike, and gets the UTF-8 name.
        QTest::newRow("Latin-1 name beside a real U+FFFD")
            << QByteArray("Caf\xe9.mkv|Caf\xef\xbf\xbd.mkv") << false << QString()
            << "Caf\xef\xbf\xbd.mkv=Caf\xef\xbf\xbd.mkv|" + stalker + "=Caf\xe9.mkv" << QString();
        QTest::newRow("Latin-1 name read as the proposed one")
            << QByteArray("Caf\xe9.mkv") << false << u"Café.mkv"_qs << QByteArray("Caf\xc3\xa9.mkv=Caf\xe9.mkv")
            << QString();
    }
    void renameOne()
    {
        QFETCH(QByteArray, files);
        QFETCH(QString, forcedName);
        QFETCH(QString, failure);
        create(list(files));
        LibraryModel model;
        model.addURLs(urls({list(files).first()}));
        QCOMPARE(model.items().size(), 1);
        const MovieItemPtr old = model.items().first();
        old->setExtraTokens(u"tarkovsky"_qs);
        makeReady(old, u"Сталкер"_qs, 1979);
        if (!forcedName.isEmpty())
            old->setProposedName(forcedName);
        if (QFETCH(bool, vanish); vanish)
            QCOMPARE(unlink(old->nativePath().constData()), 0);
        const QString statusBefore = model.statusText();

        const std::optional<QString> planned = planRenames({old}).value(0).failure;
        const std::optional<QString> outcome = model.rename(old);

        QTEST(listing(), "after");
        QCOMPARE(outcome.value_or(QString()), failure);
        QCOMPARE(planned, outcome);
        QVERIFY(access(at("../escaped.mkv").constData(), F_OK) != 0);
        const MovieItemPtr row = model.items().value(0);
        if (outcome) {
            QCOMPARE(row, old);
            QCOMPARE(row->statusDisplayText(), u"Error: "_qs + failure);
            QCOMPARE(model.statusText(), statusBefore);
            return;
        }
        const QString name = old->proposedName().value_or(QString());
        QCOMPARE(model.statusText(), u"Renamed → "_qs + name);
        QCOMPARE(row->nativePath(), at(name.toUtf8()));
        QCOMPARE(row->originalName(), name);
        QVERIFY(row->isRenamed() && !row->canRename());
        QCOMPARE(row->engineReplies(), old->engineReplies());
        QCOMPARE(row->extraTokens(), old->extraTokens());
        QCOMPARE(model.selectedIDs(), QSet{row->id()});
    }

    // A plan tells what the run then does, row by row, in the same words; names taken or freed
    // by earlier rows of the batch count.
    void planMatchesRun_data()
    {
        QTest::addColumn<QByteArray>("files");
        QTest::addColumn<QStringList>("names"); // proposed, row by row in list order; empty: not ready
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QStringList>("outcomes");
        const QString ok = u"renamed"_qs;
        QTest::newRow("two rows, one name") << QByteArray("a.mkv|b.mkv") << QStringList{u"X.mkv"_qs, u"X.mkv"_qs}
                                            << false << QStringList{ok, u"Target exists: X.mkv"_qs};
        QTest::newRow("a name freed earlier") << QByteArray("a.mkv|b.mkv") << QStringList{u"c.mkv"_qs, u"a.mkv"_qs}
                                              << false << QStringList{ok, ok};
        QTest::newRow("a name taken later") << QByteArray("a.mkv|b.mkv") << QStringList{u"b.mkv"_qs, u"a.mkv"_qs}
                                            << false
                                            << QStringList{u"Target exists: b.mkv"_qs, u"Target exists: a.mkv"_qs};
        QTest::newRow("a file that is no row") << QByteArray("a.mkv|b.mkv") << QStringList{u"b.mkv"_qs, QString()}
                                               << false << QStringList{u"Target exists: b.mkv"_qs};
        QTest::newRow("overlong") << QByteArray("a.mkv") << QStringList{QString(252, u'x') + u".mkv"_qs} << false
                                  << QStringList{u"“a.mkv” couldn’t be renamed: File name too long"_qs};
        QTest::newRow("Latin-1 name and its look-alike")
            << QByteArray("Caf\xe9.mkv|Caf\xef\xbf\xbd.mkv") << QStringList{u"Café.mkv"_qs, u"Café.mkv"_qs} << false
            << QStringList{ok, u"Target exists: Café.mkv"_qs};
        QTest::newRow("read-only folder") << QByteArray("a.mkv") << QStringList{u"b.mkv"_qs} << true
                                          << QStringList{u"“a.mkv” couldn’t be renamed: Permission denied"_qs};
    }
    void planMatchesRun()
    {
        QFETCH(QByteArray, files);
        QFETCH(QStringList, names);
        if (QFETCH(bool, readOnly); readOnly) {
            if (geteuid() == 0)
                QSKIP("root may write into any folder");
            QCOMPARE(chmod(m_root.constData(), 0555), 0);
        }
        create(list(files));
        LibraryModel model;
        model.addURLs(urls({"."}));
        QCOMPARE(model.items().size(), names.size());
        const QList<MovieItemPtr> rows = model.items();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (!names[i].isEmpty()) {
                makeReady(rows[i], u"T"_qs, 1);
                rows[i]->setProposedName(names[i]);
            }
        }

        QStringList planned, done;
        for (const PlannedRename &plan : planRenames(rows))
            planned.append(plan.failure.value_or(u"renamed"_qs));
        for (const MovieItemPtr &row : rows) {
            if (row->canRename())
                done.append(model.rename(row).value_or(u"renamed"_qs));
        }
        chmod(m_root.constData(), 0755);
        QTEST(done, "outcomes");
        QCOMPARE(planned, done);
    }

    // Both movers: the kernel's no-replace rename and the link-based one used where it is refused.
    void moversNeverReplace_data()
    {
        QTest::addColumn<bool>("byLinking");
        QTest::addColumn<QByteArray>("present"); // besides src.mkv
        QTest::addColumn<bool>("vanish");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("after");
        for (const bool byLinking : {false, true}) {
            const char *const mover = byLinking ? "link, " : "rename, ";
            QTest::addRow("%smoves", mover)
                << byLinking << QByteArray() << false << int(MoveResult::Kind::moved) << QByteArray("new.mkv=src.mkv");
            QTest::addRow("%starget exists", mover) << byLinking << QByteArray("new.mkv") << false
                                                    << int(MoveResult::Kind::targetExists)
                                                    << QByteArray("new.mkv=new.mkv|src.mkv=src.mkv");
            QTest::addRow("%ssource vanished", mover)
                << byLinking << QByteArray() << true << int(MoveResult::Kind::failed) << QByteArray();
        }
    }
    void moversNeverReplace()
    {
        QFETCH(bool, byLinking);
        QFETCH(QByteArray, present);
        create(list("src.mkv|" + present));
        if (QFETCH(bool, vanish); vanish)
            QCOMPARE(unlink(at("src.mkv").constData()), 0);
        const QByteArray source = at("src.mkv"), target = at("new.mkv");

        const MoveResult result = byLinking ? moveByLinking(source, target) : moveWithoutReplacing(source, target);

        QTEST(int(result.kind), "kind");
        QCOMPARE(result.message.isEmpty(), result.kind != MoveResult::Kind::failed);
        QTEST(listing(), "after");
    }

    // Bulk renames go on past a failed row; here two rows want the same name.
    void renameMany_data()
    {
        QTest::addColumn<bool>("selectedOnly");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("rowTexts");
        QTest::newRow("all ready") << false
                                   << QByteArray("A(2001).mkv=a.mkv|G(2003).mkv=c.mkv|b.mkv=b.mkv|d.mkv=d.mkv")
                                   << u"A(2001).mkv|Error: Target exists: A(2001).mkv|G(2003).mkv|—"_qs;
        QTest::newRow("selected") << true << QByteArray("A(2001).mkv=b.mkv|G(2003).mkv=c.mkv|a.mkv=a.mkv|d.mkv=d.mkv")
                                  << u"A(2001).mkv|A(2001).mkv|G(2003).mkv|—"_qs;
    }
    void renameMany()
    {
        QFETCH(bool, selectedOnly);
        create(list("a.mkv|b.mkv|c.mkv|d.mkv"));
        LibraryModel model;
        model.addURLs(urls({"."}));
        QCOMPARE(model.items().size(), 4);
        makeReady(model.items()[0], u"A"_qs, 2001);
        makeReady(model.items()[1], u"A"_qs, 2001);
        makeReady(model.items()[2], u"G"_qs, 2003);
        model.setSelectedIDs({model.items()[1]->id(), model.items()[2]->id()});

        selectedOnly ? model.renameSelected() : model.renameAllReady();

        QTEST(listing(), "after");
        QTEST(joined(model.items(), [](const MovieItem &item) { return item.statusDisplayText(); }), "rowTexts");
        QCOMPARE(model.statusText(), u"Renamed → G(2003).mkv"_qs);
        QCOMPARE(model.selectedItems().size(), 2);
        QCOMPARE(model.selectedItems().last()->originalName(), u"G(2003).mkv"_qs);
    }
};

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"
