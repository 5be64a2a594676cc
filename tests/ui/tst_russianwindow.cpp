#include "library/LibraryModel.h"
#include "lookup/LookupError.h"
#include "media/MediaProbe.h"
#include "settings/AppSettings.h"
#include "settings/Translations.h"
#include "support/DesktopServices.h"
#include "ui/Actions.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

using namespace tolvane;

namespace {

/// Every engine finds Alien and Stalker and nothing else; its failures are the real ones.
struct FakeEngine : LookupEngine {
    SearchEngine m_engine;
    explicit FakeEngine(SearchEngine engine) : m_engine(engine) {}
    SearchEngine engine() const override { return m_engine; }
    QCoro::Task<EngineReply> search(EngineRequest request, MovieLookup, std::shared_ptr<CancellationHandle>) override
    {
        MovieMatch film;
        film.title = request.queries.query.section(u' ', 0, 0);
        film.year = 1979;
        film.pageURL = QUrl(u"https://www.themoviedb.org/movie/348"_qs);
        film.altTitles = QStringList{u"Чужой"_qs, u"Сталкер"_qs};
        if (film.title == u"Alien" || film.title == u"Stalker")
            co_return EngineReply{m_engine, EngineReplyStatus::success(film), {film, film}};
        const bool agent = m_engine == SearchEngine::yandexAI;
        co_return failedReply(m_engine, (agent ? LookupError::missingAPIKey() : LookupError::noCatalogResult()).description());
    }
};

/// Names kept in every language: products, services, formats, headers, keys, a language named in its own.
const QString names
    = uR"(Tolvane|Yandex AI( Studio)?|Responses API|VK Video|TMDB|Kinopoisk|DuckDuckGo|Google|Firefox|Jellyfin|)"
      uR"(Plex|Kodi|MediaInfo|API|URL|MIT|OpenAI-Project|English|Ctrl|Shift|Alt|Del|Return)"_qs;
/// The fixture's data: its file and film names, an example release name, the clip's formats as the
/// probe names them, and (added at start) the folders of its paths.
QString data = uR"(Alien|Stalker|Nothing|cd\d|Vessarin|mediainfo|ffprobe|libavformat|Matroska|WebM|MPEG|)"
               uR"(Visual|Simple|Profile|mpeg4|AAC|LC|MKV)"_qs;

/// "owner: text" for each text a user sees or hears in `root` that still holds an English word.
QStringList englishTexts(QWidget *root)
{
    const QRegularExpression kept(uR"(\S*[/\\]\S*|\S*\.[a-z]{2,}\b|\b(%1|(?i:%2))\b)"_qs.arg(names, data));
    QStringList english;
    auto check = [&](const QObject *owner, const QString &text) {
        QTextDocument rich;
        rich.setHtml(text);
        const QString shown = Qt::mightBeRichText(text) ? rich.toPlainText() : text;
        if (QString(shown).remove(u'&').replace(kept, QString()).contains(QRegularExpression(u"\\b[A-Za-z]{3,}\\b"_qs)))
            english.append((owner->objectName().isEmpty() ? owner->metaObject()->className() : owner->objectName())
                + u": "_qs + shown);
    };
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    for (QWidget *widget : widgets << root) {
        QStringList texts{widget->windowTitle(), widget->toolTip(), widget->statusTip(), widget->whatsThis(),
            widget->accessibleName(), widget->accessibleDescription(), widget->property("text").toString(),
            widget->property("placeholderText").toString()};
        auto *view = qobject_cast<QAbstractItemView *>(widget);
        auto *combo = qobject_cast<QComboBox *>(widget);
        // Lists and combos are flat: their rows and header are all there is to read.
        if (QAbstractItemModel *model = view ? view->model() : combo ? combo->model() : nullptr) {
            for (int row = 0; row < model->rowCount(); ++row) {
                for (int role : {Qt::DisplayRole, Qt::ToolTipRole, Qt::AccessibleTextRole, Qt::AccessibleDescriptionRole})
                    texts << model->index(row, 0).data(role).toString();
            }
            texts << model->headerData(0, Qt::Horizontal).toString();
        }
        for (const QAction *action : widget->actions())
            texts << action->text() << action->toolTip() << action->statusTip() << action->whatsThis();
        for (const QString &text : texts)
            check(widget, text);
    }
    english.removeDuplicates();
    return english;
}

/// "owner: text" for each one-line label or button whose text is wider than the widget.
QStringList cutTexts(QWidget *root)
{
    QStringList cut;
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        const auto *label = qobject_cast<QLabel *>(widget);
        const auto *button = qobject_cast<QAbstractButton *>(widget);
        const QString text = label ? label->text() : button ? button->text() : QString();
        if (!widget->isVisibleTo(root) || text.isEmpty() || text.contains(u'\n')
            || (label && (label->wordWrap() || Qt::mightBeRichText(text))))
            continue;
        const int needed = label ? label->fontMetrics().horizontalAdvance(text) : button->sizeHint().width();
        const int width = label ? label->contentsRect().width() : button->width();
        if (needed > width)
            cut.append(u"%1: %2 (%3 > %4)"_qs.arg(widget->objectName(), text).arg(needed).arg(width));
    }
    return cut;
}

} // namespace

class TestRussianWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QList<QUrl> m_urls;

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *variable : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            qputenv(variable, QFile::encodeName(m_home.path()));
        for (const QString &folder : m_home.filePath(u"films"_qs).split(u'/', Qt::SkipEmptyParts))
            data += u'|' + QRegularExpression::escape(folder);
        // A real clip in every row, so that the media facts are shown as probed.
        QProcess ffmpeg;
        ffmpeg.setWorkingDirectory(m_home.path());
        ffmpeg.start(u"ffmpeg"_qs,
            u"-v error -f lavfi -i testsrc=size=160x120:duration=1 -f lavfi -i sine=duration=1 -c:v mpeg4 -c:a aac clip.mkv"_qs
                .split(u' '));
        QVERIFY(ffmpeg.waitForFinished(30000) && ffmpeg.exitCode() == 0);
        QVERIFY(AppSettings::storeLanguage(u"ru"_qs));
        QCOMPARE(installTranslations({}), u"ru"_qs);
    }
    // Fresh files for each state: a rename moves them.
    void init()
    {
        QDir films(m_home.filePath(u"films"_qs));
        QVERIFY(films.removeRecursively() && films.mkpath(u"."_qs));
        m_urls.clear();
        for (const QString &name :
            {u"Alien.1979.mkv"_qs, u"Nothing.mkv"_qs, u"Stalker.cd1.mkv"_qs, u"Stalker.cd2.mkv"_qs}) {
            QVERIFY(QFile::copy(m_home.filePath(u"clip.mkv"_qs), films.filePath(name)));
            m_urls.append(QUrl::fromLocalFile(films.filePath(name)));
        }
        QVERIFY(QFile::copy(m_home.filePath(u"clip.mkv"_qs), films.filePath(u"Alien.1979.srt"_qs))); // moved along
    }

    void everyStateInRussian_data()
    {
        QTest::addColumn<QList<int>>("selected"); // the rows selected once every row was looked up
        QTest::addColumn<QString>("step"); // what is done then
        QTest::addColumn<QStringList>("clicks"); // then the buttons whose text starts so are clicked
        QTest::addColumn<QString>("shown"); // a count or an edit's name the window then words so
        QTest::newRow("drop zone") << QList<int>{} << u"empty"_qs << QStringList() << QString();
        QTest::newRow("a match") << QList<int>{0} << QString() << QStringList() << QString();
        QTest::newRow("a failure") << QList<int>{1} << QString() << QStringList() << QString();
        QTest::newRow("a film in parts") << QList<int>{3} << QString() << QStringList() << QString();
        QTest::newRow("several rows") << QList<int>{0, 1, 2} << QString() << QStringList() << u"выбрано 3 файла"_qs;
        QTest::newRow("title pickers open") << QList<int>{0} << QString() << QStringList{u"Альт"_qs, u"Список"_qs} << QString();
        QTest::newRow("searching") << QList<int>{0} << u"search"_qs << QStringList() << QString();
        QTest::newRow("renamed") << QList<int>{0} << u"rename"_qs << QStringList() << u"Отменить «Переименовать 3 файла»"_qs;
        QTest::newRow("a rename refused") << QList<int>{0} << u"conflict"_qs << QStringList() << QString();
        QTest::newRow("undone") << QList<int>{0} << u"undo"_qs << QStringList() << QString();
        QTest::newRow("settings") << QList<int>{0} << u"settings"_qs << QStringList() << QString();
        QTest::newRow("settings: prompt copied, reset asked")
            << QList<int>{0} << u"settings"_qs << QStringList{u"Копировать"_qs, u"Сбросить"_qs} << QString();
        QTest::newRow("about") << QList<int>{} << u"about"_qs << QStringList() << QString();
    }
    // Every text of the window comes from the catalogue, and none is cut off at the smallest window.
    void everyStateInRussian()
    {
        QFETCH(QList<int>, selected);
        QFETCH(QString, step);
        QFETCH(QStringList, clicks);
        QFETCH(QString, shown);
        LibraryModel model;
        LookupEngines engines;
        for (SearchEngine engine : allSearchEngines)
            engines.engines.append(std::make_shared<FakeEngine>(engine));
        model.setLookupEngines(engines);
        model.setMediaProbe(loadProps);
        NoDesktopServices desktop;
        MainWindow window(model, desktop);
        window.resize(window.minimumSize());
        window.show();
        if (step != u"empty") {
            QCoro::waitFor(model.addURLs(m_urls));
            model.setSelectedIDs({});
            model.lookupSelected();
            QTRY_COMPARE(model.activeLookupCount(), 0);
            QTRY_VERIFY(!model.items().constLast()->mediaInfo().isEmpty());
            QSet<QUuid> ids;
            for (int row : selected)
                ids.insert(model.items()[row]->id());
            model.setSelectedIDs(ids);
        }
        const auto trigger = [&window](Command command) { window.actions().action(command)->trigger(); };
        if (step == u"search") {
            model.items()[0]->setEngineReplies({{SearchEngine::yandexAI, EngineReplyStatus::pending(), {}}});
            model.items()[0]->setStatus(LookupStatus::searching());
        }
        if (step == u"conflict") // the new name taken by another file
            QVERIFY(QFile::copy(m_urls[1].toLocalFile(), m_home.filePath(u"films/Alien(1979).mkv"_qs)));
        QSignalSpy undone(&model, &LibraryModel::renameUndone);
        if (step == u"rename" || step == u"undo" || step == u"conflict")
            trigger(Command::renameAllReady);
        if (step == u"undo") {
            trigger(Command::undo);
            QTRY_COMPARE(undone.size(), 1);
        }
        if (step == u"settings") {
            window.showSettings();
            auto *dialog = window.findChild<QDialog *>();
            dialog->resize(dialog->minimumSizeHint());
        }
        for (QPushButton *button : window.findChildren<QPushButton *>()) {
            if (std::any_of(clicks.begin(), clicks.end(), [&](const QString &start) { return button->text().startsWith(start); }))
                button->click();
        }
        QStringList about;
        if (step == u"about") { // read while its modal loop runs, then closed
            QMetaObject::invokeMethod(this, [&about] {
                QWidget *box = QApplication::activeModalWidget();
                about = box ? englishTexts(box) : QStringList{u"no About box"_qs};
                if (box)
                    box->close();
            }, Qt::QueuedConnection);
            trigger(Command::about);
        }
        QCoreApplication::processEvents();
        const QStringList words{window.findChild<QLabel *>(u"selectionCount"_qs)->text(), window.actions().action(Command::undo)->text()};
        QVERIFY2(shown.isEmpty() || words.contains(shown), qPrintable(words.join(u" / ")));
        const QStringList english = englishTexts(&window) + about, cut = cutTexts(&window);
        for (const QString &text : english + cut) // each on its own line: a failure's message is cut short
            qInfo().noquote() << text;
        QVERIFY2(english.isEmpty() && cut.isEmpty(), "English or cut-off texts, listed above");
    }
};

QTEST_MAIN(TestRussianWindow)
#include "tst_russianwindow.moc"
