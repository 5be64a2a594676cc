#include "library/LibraryModel.h"
#include "support/DesktopServices.h"
#include "ui/Actions.h"
#include "ui/DetailPanel.h"
#include "ui/TitlePickers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace tolvane;

namespace {

MovieMatch film(const QString &title, std::optional<int> year = 1979, QStringList alts = {})
{
    MovieMatch match;
    match.title = title;
    match.year = year;
    match.altTitles = std::move(alts);
    return match;
}

QList<bool> marks(const QList<PickerOption> &options)
{
    QList<bool> result;
    for (const PickerOption &option : options)
        result.append(option.selected);
    return result;
}

} // namespace

class TestDetailPanel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pickers()
    {
        QCOMPARE(vkPickerHeight(3), 192);
        QCOMPARE(vkPickerHeight(20), 420);
        const QList<MovieMatch> candidates{film(u"Stalker"_qs), film(u"Solaris"_qs), film(u"Stalker"_qs, {})};
        QCOMPARE(marks(vkPickerOptions(candidates, u"Mirror"_qs)), (QList<bool>{false, false, false}));
        QCOMPARE(marks(vkPickerOptions(candidates, u"Stalker"_qs)), (QList<bool>{true, false, true}));
        QCOMPARE(vkPickerOptions(candidates, {})[2].secondLine, QString()); // no year, no second line
        const QStringList alts{u"Сталкер"_qs, u"Stalker"_qs};
        QCOMPARE(marks(altPickerOptions(u"Stalker"_qs, 1979, alts, std::nullopt)), (QList<bool>{true, false, false}));
        QCOMPARE(marks(altPickerOptions(u"Stalker"_qs, 1979, alts, u"Zona"_qs)), (QList<bool>{false, false, false}));
        QCOMPARE(altPickerOptions(u"Stalker"_qs, 1979, alts, u"Сталкер"_qs)[1].mainText, u"Stalker[Сталкер](1979)"_qs);
    }

    void pathSegments_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("segments");
        QTest::addColumn<bool>("leading");
        QTest::newRow("absolute") << u"/home/films//Stalker.mkv"_qs << QStringList{u"home"_qs, u"films"_qs, u"Stalker.mkv"_qs} << true;
        QTest::newRow("relative") << u"films/Stalker.mkv"_qs << QStringList{u"films"_qs, u"Stalker.mkv"_qs} << false;
    }
    void pathSegments()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, segments);
        QFETCH(bool, leading);
        QCOMPARE(tolvane::pathSegments(path), (PathSegments{segments, leading}));
    }

    // The panel reads the row and calls its operations: what a click or a keystroke does shows in
    // the row, where the list and the command line see it too.
    void panelSteersTheRow()
    {
        LibraryModel model;
        NoDesktopServices desktop;
        QWidget window;
        Actions actions(model, desktop, &window);
        DetailPanel panel(model, desktop, actions);
        auto item = std::make_shared<MovieItem>(QByteArray("/films/Tarkovsky/Stalker.mkv"));
        panel.setItem(item);
        QCOMPARE(panel.repliesPlaceholder()->text(), u"Not searched yet — Lookup Selected"_qs);
        item->setStatus(LookupStatus::failed(u"offline"_qs));
        QCOMPARE(panel.repliesPlaceholder()->text(), u"—"_qs);

        auto segments = panel.pathView()->findChildren<QToolButton *>();
        QCOMPARE(segments.size(), 3);
        segments[1]->click();
        segments[1]->click();
        QCOMPARE(item->extraTokens(), u"Tarkovsky"_qs);

        const QList<MovieMatch> candidates{film(u"Stalker"_qs), film(u"Solaris"_qs, 1972), film(u"Mirror"_qs, 1975)};
        EngineReply vk{SearchEngine::vkvideo, EngineReplyStatus::success(candidates[0]), candidates};
        EngineReply ai{SearchEngine::yandexAI, EngineReplyStatus::success(film(u"Stalker"_qs, 1979, {u"Сталкер"_qs})), {}};
        item->setEngineReplies({ai, vk});
        item->applyFinalChoice();
        const QList<EngineReplyRow *> rows = panel.replyRows();
        QCOMPARE(rows.size(), 2);
        QVERIFY(rows[0]->pickButton()->isHidden() && !rows[0]->useButton()->isEnabled());
        QCOMPARE(rows[1]->pickButton()->text(), u"Pick (3)"_qs);
        QCOMPARE(rows[1]->pickButton()->accessibleName(), u"Pick, 3 VK Video titles"_qs);
        QVERIFY(rows[1]->useButton()->isEnabled());
        QCOMPARE(rows[0]->accessibleName().left(11), u"Yandex AI: "_qs);

        Q_EMIT rows[1]->pickCandidate(1);
        QCOMPARE(item->proposedName(), u"Solaris(1972).mkv"_qs);
        Q_EMIT rows[0]->altChoice(1);
        QCOMPARE(item->engineReplies()[0].status.match()->selectedAltTitle, u"Сталкер"_qs);
        Q_EMIT rows[0]->altChoice(0); // the title alone: no alternative, not an empty one
        QCOMPARE(item->engineReplies()[0].status.match()->selectedAltTitle, std::nullopt);

        Q_EMIT rows[0]->use();
        QTest::keyClicks(panel.postfixField(), u"dc"_qs);
        QCOMPARE(item->proposedName(), u"Stalker(1979)_dc.mkv"_qs);
        panel.postfixField()->clear();
        item->setNamePostfix({});
        panel.overrideBox()->setChecked(true);
        QCOMPARE(panel.displayName()->text(), u"(enter postfix)"_qs);

        // In a short panel the media summary is as high as its rows: the panel scrolls, not the list.
        MediaInfoRow audio;
        audio.key = u"Audio"_qs;
        audio.value = u"AC-3 5.1, Russian"_qs;
        item->setMediaInfo(QList<MediaInfoRow>(8, audio));
        panel.resize(300, 300);
        panel.show();
        QListView *media = panel.findChild<QListView *>();
        QTRY_COMPARE(media->height(), media->visualRect(media->model()->index(7, 0)).bottom() + 1);
        QCOMPARE(media->verticalScrollBar()->maximum(), 0);

        // A part's name shows its part word, as its file name has it.
        auto part = std::make_shared<MovieItem>(QByteArray("/films/Stalker.1979.cd2.mkv"));
        part->setEngineReplies({ai});
        part->applyFinalChoice();
        panel.setItem(part);
        QCOMPARE(panel.displayName()->text() + u".mkv"_qs, part->proposedName());

        panel.setItem(nullptr); // the row removed or replaced: nothing of it is kept
        QVERIFY(!panel.item() && item.use_count() == 1);
    }
};

QTEST_MAIN(TestDetailPanel)
#include "tst_detailpanel.moc"
