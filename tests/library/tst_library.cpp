#include "library/FileMover.h"
#include "library/Intake.h"
#include "library/LibraryModel.h"
#include "support/DesktopServices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;

namespace {

// Keeps the tables short: "a|b|c" is a list of three.
QStringList list(const QString &joined)
{
    return joined.split(u'|', Qt::SkipEmptyParts);
}

void makeReady(const MovieItemPtr &item, const QString &title, int year)
{
    MovieMatch match;
    match.title = title;
    match.year = year;
    item->applyMatch(match, SearchEngine::yandexAI, item->fileExtension());
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
    QDir m_root; // non-ASCII, so every case runs on such a path

    // Paths ending in "/" are folders; a file holds its own path, so that moves can be traced.
    void create(const QStringList &paths)
    {
        for (const QString &path : paths) {
            QVERIFY(m_root.mkpath(path.endsWith(u'/') ? path : QFileInfo(path).path()));
            QFile file(m_root.filePath(path));
            QVERIFY(path.endsWith(u'/') || (file.open(QIODevice::WriteOnly) && file.write(path.toUtf8()) >= 0));
        }
    }
    QList<QUrl> urls(const QStringList &paths) const
    {
        QList<QUrl> result;
        for (const QString &path : paths)
            result.append(QUrl::fromLocalFile(QDir::cleanPath(m_root.filePath(path))));
        return result;
    }
    QString rowPaths(const LibraryModel &model) const
    {
        return joined(
            model.items(), [this](const MovieItem &item) { return m_root.relativeFilePath(item.url().toLocalFile()); });
    }
    // Each entry as "name=content" (folders as "name/"), in code point order.
    QStringList listing() const
    {
        QStringList entries;
        for (const QFileInfo &info : m_root.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            QFile file(info.filePath());
            entries.append(info.isDir() || !file.open(QIODevice::ReadOnly)
                    ? info.fileName() + u'/'
                    : info.fileName() + u'=' + QString::fromUtf8(file.readAll()));
        }
        entries.sort();
        return entries;
    }
    void loadIdleRows(LibraryModel &model, qsizetype count)
    {
        create({u"rows/"_qs});
        for (qsizetype i = 0; i < count; ++i)
            create({QStringLiteral("rows/%1.mkv").arg(i)});
        model.addURLs(urls({u"rows"_qs}));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // CI runs in the C locale; pin it so that the order a person expects is checked everywhere.
        QLocale::setDefault(QLocale::c());
    }
    void init()
    {
        QDir temp(m_temp.path());
        QVERIFY(m_temp.isValid() && temp.removeRecursively() && temp.mkpath(u"Con 자백"_qs));
        m_root.setPath(temp.filePath(u"Con 자백"_qs));
    }

    void addURLs_data()
    {
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("dropped");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("folder"); // empty: none recorded
        QTest::newRow("folder") << u"f/B.mkv|f/a.mp4|f/notes.txt"_qs << u"f"_qs << u"f/a.mp4|f/B.mkv"_qs
                                << u"2 file(s) — Lookup"_qs << u"f"_qs;
        QTest::newRow("nested and hidden") << u"f/s/c.avi|f/.h.mkv|f/.cache/d.mkv|f/e.MKV"_qs << u"f"_qs
                                           << u"f/s/c.avi|f/e.MKV"_qs << u"2 file(s) — Lookup"_qs << u"f"_qs;
        QTest::newRow("hidden video given")
            << u".c/.a.mkv"_qs << u".c/.a.mkv"_qs << u".c/.a.mkv"_qs << u"1 file(s) — Lookup"_qs << u".c"_qs;
        QTest::newRow("no videos, one missing") << u"x.txt|y.jpg"_qs << u"x.txt|gone.mkv|y.jpg"_qs << QString()
                                                << u"No video files in drop (2 non-video skipped)"_qs << QString();
        QTest::newRow("empty folder") << u"e/"_qs << u"e"_qs << QString() << u"No video files found"_qs << u"e"_qs;
        QTest::newRow("sorted across sources, each once")
            << u"x.txt|d1/c.mkv|d2/b.MKV|A.mp4"_qs << u"x.txt|d2/b.MKV|d1|d1/c.mkv|A.mp4"_qs
            << u"A.mp4|d2/b.MKV|d1/c.mkv"_qs << u"3 file(s) from 5 items — Lookup"_qs << u"d2"_qs;
        QTest::newRow("equal names keep their order")
            << u"d1/a.mkv|d2/A.mkv"_qs << u"d2/A.mkv|d1/a.mkv"_qs << u"d2/A.mkv|d1/a.mkv"_qs
            << u"2 file(s) from 2 items — Lookup"_qs << u"d2"_qs;
    }
    void addURLs()
    {
        QFETCH(QString, files);
        QFETCH(QString, dropped);
        QFETCH(QString, folder);
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
        create({u"f/a.mkv"_qs, u"outside/b.mkv"_qs});
        QVERIFY(QFile::link(u"."_qs, m_root.filePath(u"f/loop"_qs)));
        QVERIFY(QFile::link(u"../outside"_qs, m_root.filePath(u"f/out"_qs)));
        QCOMPARE(scanFolder(m_root.filePath(u"f"_qs)), QStringList{m_root.filePath(u"f/a.mkv"_qs)});
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
        model.updateSummaryStatus();
        QTEST(model.statusText(), "expected");
    }

    void openPanelAndReveal()
    {
        create(list(u"a.mkv|b.mkv|c.mkv"_qs));
        FakeDesktop desktop;
        LibraryModel model;
        model.setDesktopServices(&desktop);
        model.showOpenPanel(); // cancelled
        QCOMPARE(desktop.asked, list(u"Open|Choose video files and/or folders (folders are scanned recursively)"_qs));
        QCOMPARE(model.statusText(), u"Drop a movie file or a folder"_qs);

        desktop.chosen = urls(list(u"c.mkv|a.mkv|b.mkv"_qs));
        model.showOpenPanel();
        QCOMPARE(rowPaths(model), u"a.mkv|b.mkv|c.mkv"_qs);
        model.setSelectedIDs({model.items()[2]->id(), model.items()[0]->id()});
        model.revealSelectedInFinder();
        model.setSelectedIDs({});
        model.revealSelectedInFinder();
        QCOMPARE(desktop.revealed, QList<QList<QUrl>>{urls(list(u"a.mkv|c.mkv"_qs))});
    }

    void renameOne_data()
    {
        QTest::addColumn<QString>("present"); // besides src.mkv
        QTest::addColumn<bool>("vanish");
        QTest::addColumn<QString>("forcedName"); // set over the built name
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("display"); // start of the row's status text
        QTest::newRow("moves") << QString() << false << QString() << u"Сталкер(1979).mkv=src.mkv"_qs
                               << u"Сталкер(1979).mkv"_qs;
        QTest::newRow("target exists") << u"Сталкер(1979).mkv"_qs << false << QString()
                                       << u"src.mkv=src.mkv|Сталкер(1979).mkv=Сталкер(1979).mkv"_qs
                                       << u"Error: Target exists: Сталкер(1979).mkv"_qs;
        QTest::newRow("source vanished") << QString() << true << QString() << QString()
                                         << u"Error: “src.mkv” couldn’t be renamed: "_qs;
        QTest::newRow("name leaving the folder")
            << QString() << false << u"../escaped.mkv"_qs << u"src.mkv=src.mkv"_qs << u"Error: "_qs;
    }
    void renameOne()
    {
        QFETCH(QString, present);
        QFETCH(QString, forcedName);
        QFETCH(QString, after);
        QFETCH(QString, display);
        create(list(u"src.mkv|"_qs + present));
        LibraryModel model;
        model.addURLs(urls({u"src.mkv"_qs}));
        QCOMPARE(model.items().size(), 1);
        const MovieItemPtr old = model.items().first();
        old->setExtraTokens(u"tarkovsky"_qs);
        makeReady(old, u"Сталкер"_qs, 1979);
        if (!forcedName.isEmpty())
            old->setProposedName(forcedName);
        if (QFETCH(bool, vanish); vanish)
            QVERIFY(m_root.remove(u"src.mkv"_qs));
        const QString statusBefore = model.statusText();

        model.rename(old);

        QCOMPARE(listing(), list(after));
        QVERIFY(!QFileInfo::exists(m_root.filePath(u"../escaped.mkv"_qs)));
        const MovieItemPtr row = model.items().value(0);
        QVERIFY2(row->statusDisplayText().startsWith(display), qPrintable(row->statusDisplayText()));
        if (row == old) {
            QCOMPARE(model.statusText(), statusBefore);
            return;
        }
        QCOMPARE(model.statusText(), u"Renamed → Сталкер(1979).mkv"_qs);
        QCOMPARE(row->url(), urls({u"Сталкер(1979).mkv"_qs}).first());
        QCOMPARE(row->originalName(), row->proposedName().value_or(QString()));
        QVERIFY(row->isRenamed() && !row->canRename());
        QCOMPARE(row->engineReplies(), old->engineReplies());
        QCOMPARE(row->extraTokens(), old->extraTokens());
        QCOMPARE(model.selectedIDs(), QSet{row->id()});
    }

    // Both movers: the kernel's no-replace rename and the link-based one used where it is refused.
    void moversNeverReplace_data()
    {
        QTest::addColumn<bool>("byLinking");
        QTest::addColumn<QString>("present"); // besides src.mkv
        QTest::addColumn<bool>("vanish");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("after");
        for (const bool byLinking : {false, true}) {
            const char *const mover = byLinking ? "link, " : "rename, ";
            QTest::addRow("%smoves", mover)
                << byLinking << QString() << false << int(MoveResult::Kind::moved) << u"new.mkv=src.mkv"_qs;
            QTest::addRow("%starget exists", mover)
                << byLinking << u"new.mkv"_qs << false << int(MoveResult::Kind::targetExists)
                << u"new.mkv=new.mkv|src.mkv=src.mkv"_qs;
            QTest::addRow("%ssource vanished", mover)
                << byLinking << QString() << true << int(MoveResult::Kind::failed) << QString();
        }
    }
    void moversNeverReplace()
    {
        QFETCH(bool, byLinking);
        QFETCH(QString, present);
        create(list(u"src.mkv|"_qs + present));
        if (QFETCH(bool, vanish); vanish)
            QVERIFY(m_root.remove(u"src.mkv"_qs));
        const QString source = m_root.filePath(u"src.mkv"_qs), target = m_root.filePath(u"new.mkv"_qs);

        const MoveResult result = byLinking ? moveByLinking(source, target) : moveWithoutReplacing(source, target);

        QTEST(int(result.kind), "kind");
        QCOMPARE(result.message.isEmpty(), result.kind != MoveResult::Kind::failed);
        QTEST(listing().join(u'|'), "after");
    }

    // Bulk renames go on past a failed row; here two rows want the same name.
    void renameMany_data()
    {
        QTest::addColumn<bool>("selectedOnly");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("rowTexts");
        QTest::newRow("all ready") << false << u"A(2001).mkv=a.mkv|G(2003).mkv=c.mkv|b.mkv=b.mkv|d.mkv=d.mkv"_qs
                                   << u"A(2001).mkv|Error: Target exists: A(2001).mkv|G(2003).mkv|—"_qs;
        QTest::newRow("selected") << true << u"A(2001).mkv=b.mkv|G(2003).mkv=c.mkv|a.mkv=a.mkv|d.mkv=d.mkv"_qs
                                  << u"A(2001).mkv|A(2001).mkv|G(2003).mkv|—"_qs;
    }
    void renameMany()
    {
        QFETCH(bool, selectedOnly);
        create(list(u"a.mkv|b.mkv|c.mkv|d.mkv"_qs));
        LibraryModel model;
        model.addURLs(urls({u"."_qs}));
        QCOMPARE(model.items().size(), 4);
        makeReady(model.items()[0], u"A"_qs, 2001);
        makeReady(model.items()[1], u"A"_qs, 2001);
        makeReady(model.items()[2], u"G"_qs, 2003);
        model.setSelectedIDs({model.items()[1]->id(), model.items()[2]->id()});

        selectedOnly ? model.renameSelected() : model.renameAllReady();

        QTEST(listing().join(u'|'), "after");
        QTEST(joined(model.items(), [](const MovieItem &item) { return item.statusDisplayText(); }), "rowTexts");
        QCOMPARE(model.statusText(), u"Renamed → G(2003).mkv"_qs);
        QCOMPARE(model.selectedItems().size(), 2);
        QCOMPARE(model.selectedItems().last()->originalName(), u"G(2003).mkv"_qs);
    }
};

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"
