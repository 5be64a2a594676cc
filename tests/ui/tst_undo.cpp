#include "library/LibraryModel.h"
#include "support/DesktopServices.h"
#include "ui/Actions.h"
#include "ui/DetailPanel.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCoroTask>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

using namespace tolvane;

namespace {

MovieMatch film(const QString &title, int year, QStringList alts = {})
{
    MovieMatch match;
    match.title = title;
    match.year = year;
    match.altTitles = std::move(alts);
    return match;
}

/// What a user sees of the list: each row's file, choices and outcome.
QStringList shown(const LibraryModel &model)
{
    QStringList rows;
    for (const MovieItemPtr &item : model.items()) {
        QStringList row{item->originalName(), item->proposedName().value_or("-"), item->extraTokens(),
            item->namePostfix(), QString::number(item->namePostfixOverride()), item->statusDisplayText(),
            item->chosenEngine() ? rawValue(*item->chosenEngine()) : "-"};
        for (const EngineReply &reply : item->engineReplies()) {
            const MovieMatch *match = reply.status.match();
            row.append(match ? match->title + match->selectedAltTitle.value_or("") : "-");
        }
        rows.append(row.join('|'));
    }
    return rows;
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

    QTemporaryDir m_films;
    QList<QUrl> m_urls;

private Q_SLOTS:
    void init()
    {
        m_urls.clear();
        QVERIFY(QDir(m_films.path()).mkpath("films"));
        for (const char *name : {"a.mkv", "b.mkv", "c.mkv"}) {
            QFile file(m_films.filePath("films/" + QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            m_urls.append(QUrl::fromLocalFile(file.fileName()));
        }
    }

    void edits_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("undoText");
        QTest::addColumn<bool>("finalChoiceAfter"); // a lookup's final choice arrives after the edit
        QTest::newRow("use an engine") << "use" << "Undo Use VK Video" << false;
        QTest::newRow("pick a VK title") << "pick" << "Undo Pick “Брат 2”" << false;
        QTest::newRow("pick an alternative title") << "alt" << "Undo Pick Alternative “Брат”" << false;
        QTest::newRow("clear the alternative title") << "clear alt" << "Undo Clear Alternative Title" << false;
        QTest::newRow("typed extra tokens, one command") << "tokens" << "Undo Edit Extra Tokens" << false;
        QTest::newRow("typed postfix, one command") << "postfix" << "Undo Edit Name Postfix" << false;
        QTest::newRow("a path segment added") << "segment" << "Undo Add “films” to Extra Tokens" << false;
        QTest::newRow("override") << "override" << "Undo Use Postfix as Name" << false;
        QTest::newRow("a pick, then the final choice") << "pick" << "Undo Pick “Брат 2”" << true;
        QTest::newRow("remove rows") << "remove" << "Undo Remove 2 Files" << false;
        QTest::newRow("an intake") << "intake" << "Undo Open “c.mkv”" << false;
        QTest::newRow("rename") << "rename" << "Undo Rename" << false;
    }
    // Each edit is one command: its undo shows the list as it was, its redo as the edit left it.
    void edits()
    {
        QFETCH(QString, edit);
        QFETCH(QString, undoText);
        QFETCH(bool, finalChoiceAfter);
        LibraryModel model;
        NoDesktopServices desktop;
        MainWindow window(model, desktop);
        window.show();
        QCoro::waitFor(model.addURLs(m_urls.mid(0, 2)));
        MovieItemPtr row = model.items()[0];
        const QList<MovieMatch> candidates{film("Brother", 1997), film("Брат 2", 2000)};
        row->setEngineReplies({{SearchEngine::yandexAI, EngineReplyStatus::success(film("Brother", 1997, {"Брат"})), {}},
            {SearchEngine::vkvideo, EngineReplyStatus::success(candidates[0]), candidates}});
        row->applyFinalChoice();
        if (edit == "clear alt")
            row->setSelectedAltTitle(QStringLiteral("Брат"), SearchEngine::yandexAI);
        QUndoStack &history = window.actions().history();
        history.clear();
        QAction *undo = window.actions().action(Command::undo);
        QAction *redo = window.actions().action(Command::redo);
        QCOMPARE(undo->text(), "Undo");

        const QStringList before = shown(model);
        DetailPanel &panel = *window.detailPanel();
        const QList<EngineReplyRow *> replies = panel.replyRows();
        if (edit == "use")
            Q_EMIT replies[1]->use();
        else if (edit == "pick")
            Q_EMIT replies[1]->pickCandidate(1);
        else if (edit == "alt")
            Q_EMIT replies[0]->altChoice(1);
        else if (edit == "clear alt")
            Q_EMIT replies[0]->altChoice(0);
        else if (edit == "tokens")
            QTest::keyClicks(panel.extraTokensField(), "1997");
        else if (edit == "postfix")
            QTest::keyClicks(panel.postfixField(), "dc");
        else if (edit == "segment")
        {
            const QList<QToolButton *> segments = panel.pathView()->findChildren<QToolButton *>();
            segments[segments.size() - 2]->click();
        }
        else if (edit == "override")
            panel.overrideBox()->click();
        else if (edit == "remove") {
            model.setSelectedIDs({model.items()[0]->id(), model.items()[1]->id()});
            window.actions().action(Command::remove)->trigger();
        } else if (edit == "intake")
            QCoro::waitFor(model.addURLs({m_urls[2]}));
        else if (edit == "rename")
            window.actions().action(Command::rename)->trigger();
        const QStringList after = shown(model);
        QVERIFY(after != before);
        QCOMPARE(history.count(), 1);
        QCOMPARE(undo->text(), undoText);
        if (finalChoiceAfter) {
            row->applyFinalChoice(); // the lookup's own choice: no edit, and the history stays
            QCOMPARE(history.count(), 1);
        }

        QSignalSpy undone(&model, &LibraryModel::renameUndone);
        undo->trigger();
        if (edit == "rename")
            QVERIFY(!undone.isEmpty() || undone.wait(5000));
        QCOMPARE(shown(model), before);
        QCOMPARE(redo->text(), undoText.replace("Undo", "Redo"));
        redo->trigger();
        QCOMPARE(shown(model), after);
        if (edit == "rename") // the file was moved back and renamed again, never copied
            QVERIFY(QFile::exists(m_films.filePath("films/Brother(1997).mkv")) && !QFile::exists(m_films.filePath("films/a.mkv")));
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
