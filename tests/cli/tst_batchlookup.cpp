// The command line's lookup and rename as a library operation, in process, through the real
// engines and transport against the fake services; the search gate does not wait.
#include "FakeServices.h"

#include "core/FilePaths.h"
#include "library/BatchLookup.h"
#include "settings/AppSettings.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using Service = FakeServices::Service;

namespace {

QCoro::Task<QList<MediaInfoRow>> summary(QByteArray path)
{
    co_return QList<MediaInfoRow>{{uniqueID(), u"File"_qs, readableName(nativeFileName(path))}};
}

QString describe(const RenameOutcome &outcome)
{
    return rawValue(outcome.kind) + u' ' + outcome.targetName.value_or(u"-"_qs) + u' '
        + outcome.message.value_or(u"-"_qs);
}

} // namespace

class TestBatchLookup : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<FakeServices> m_services;
    std::unique_ptr<LibraryModel> m_model;
    QDir m_folder;

    /// A model over fresh files with these names, alone in their folder.
    LibraryModel &modelOver(const QStringList &names)
    {
        m_folder = QDir(m_home.filePath(u"films"_qs));
        m_folder.removeRecursively();
        m_folder.mkpath(u"."_qs);
        QList<QUrl> urls;
        for (const QString &name : names) {
            QFile file(m_folder.filePath(name));
            if (file.open(QIODevice::WriteOnly))
                file.write(name.toUtf8());
            urls.append(fileURL(QFile::encodeName(file.fileName())));
        }
        m_model = std::make_unique<LibraryModel>();
        MovieLookup lookup = MovieLookup::standard();
        SearchRateGate::Hooks hooks = SearchRateGate::systemHooks();
        hooks.sleep = [](std::chrono::nanoseconds) -> QCoro::Task<> { co_return; };
        lookup.gate = std::make_shared<SearchRateGate>(hooks);
        m_model->setLookup(lookup);
        m_model->setMediaProbe(summary);
        QCoro::waitFor(m_model->addURLs(urls));
        return *m_model;
    }

    MovieItemPtr row(const QString &name) const
    {
        const QList<MovieItemPtr> &items = m_model->items();
        const auto found = std::find_if(items.cbegin(), items.cend(), [&](auto &item) { return item->originalName() == name; });
        return found == items.cend() ? nullptr : *found;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_qs)));
        qputenv("HOME", QFile::encodeName(m_home.path()));
        m_services = std::make_unique<FakeServices>();
        qputenv("TOLVANE_TEST_SERVICES", m_services->origin().toUtf8());
        AppSettings::storeText(AppSettings::yandexAIAPIKey, u"AQVN-fake"_qs);
        AppSettings::storeText(AppSettings::yandexAIFolderID, u"b1g-folder"_qs);
        AppSettings::storeText(AppSettings::yandexAIPromptID, u"fvt-prompt"_qs);
        AppSettings::storeUseSafariCookies(false);

        m_services->scriptAI(u"Matrix 1999"_qs, FakeServices::aiMovie(u"Матрица"_qs, 1999, {u"The Matrix"_qs}));
        m_services->scriptAI(u"The Matrix"_qs, FakeServices::aiMovie(u"Матрица"_qs, 1999, {u"The Matrix"_qs}));
        m_services->scriptAI(u"Stalker"_qs, FakeServices::aiHttpError(503, u"Service Unavailable"_qs));
        m_services->scriptVK(u"Stalker"_qs,
            QList<FakeServices::Video>{{u"Сталкер (1979)"_qs, -1, 11, 9600}, {u"Сталкер. Фильм второй"_qs, 2, 22, 3000}});
    }

    void cleanup() { m_services->release(Service::ai), m_services->release(Service::vkSearch); }

    // A row is ready at its first success but done only when every engine has answered.
    void progressCountsEndedLookups()
    {
        LibraryModel &model = modelOver({u"Matrix 1999.mkv"_qs, u"1080p.mkv"_qs});
        BatchLookup batch(&model);
        QList<qsizetype> reported;
        connect(&batch, &BatchLookup::progressChanged, this, [&] { reported << batch.rowsDone(); });
        m_services->hold(Service::vkSearch);
        QCoro::Task<bool> running = batch.lookUpAll();
        QTRY_COMPARE(m_services->inFlight(Service::vkSearch), 1);
        QCOMPARE(row(u"Matrix 1999.mkv"_qs)->status().kind(), LookupStatus::Kind::ready);
        QCOMPARE(batch.rowsDone(), 1);
        m_services->release(Service::vkSearch);
        QVERIFY(QCoro::waitFor(std::move(running)));
        QCOMPARE(reported, (QList<qsizetype>{1, 2}));
        QCOMPARE(batch.rowCount(), 2);
    }

    // Rows of one search, the parts of a film, cost one request to each service.
    void partsAskedOnce_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("requests");
        QTest::newRow("two parts") << QStringList{u"Matrix 1999 [cd1].mkv"_qs, u"Matrix 1999 [cd2].mkv"_qs} << 1;
        QTest::newRow("two films") << QStringList{u"Matrix 1999.mkv"_qs, u"Matrix [2003].mkv"_qs} << 2;
    }
    void partsAskedOnce()
    {
        QFETCH(QStringList, names);
        QFETCH(int, requests);
        const auto counts = [this] {
            return QList<qsizetype>{m_services->received(Service::ai).size(), m_services->received(Service::vkSearch).size(),
                m_services->received(Service::duckDuckGo).size()};
        };
        const QList<qsizetype> before = counts();
        BatchLookup batch(&modelOver(names));
        QVERIFY(QCoro::waitFor(batch.lookUpAll()));
        for (int service = 0; service < 3; ++service)
            QCOMPARE(counts()[service] - before[service], requests);
        QVERIFY(row(names[0])->proposedName());
        QCOMPARE(row(names[0])->proposedName() == row(names[1])->proposedName(), requests == 1);
    }

    // The dry run's plan, as the run would go (the model's own plan-and-run agreement is tested
    // with the library): a name claimed earlier in the batch and an existing file both fail.
    void renamePlan()
    {
        LibraryModel &model = modelOver({u"Matrix 1999.mkv"_qs, u"The Matrix (1999) 1080p.mkv"_qs, u"Stalker.mkv"_qs,
            u"Сталкер(1979).mkv"_qs, u"1080p.mkv"_qs});
        model.removeItems({row(u"Сталкер(1979).mkv"_qs)->id()});
        BatchLookup batch(&model);
        QVERIFY(QCoro::waitFor(batch.lookUpAll()));
        QStringList seen;
        for (const RenameOutcome &outcome : batch.renamePlan())
            seen << describe(outcome);
        const QString matrix = u"Матрица[The_Matrix](1999).mkv"_qs;
        QCOMPARE(seen,
            (QStringList{u"skipped - Empty search query"_qs, u"planned "_qs + matrix + u" -"_qs,
                u"failed Сталкер(1979).mkv Target exists: Сталкер(1979).mkv"_qs,
                u"failed %1 Target exists: %1"_qs.arg(matrix)}));
        QVERIFY(m_folder.exists(u"Matrix 1999.mkv"_qs) && !m_folder.exists(matrix));
    }

    // Stopped while renaming: the move in progress completes, the next is not begun.
    void cancelStopsBetweenMoves()
    {
        LibraryModel &model = modelOver({u"Matrix 1999.mkv"_qs, u"Stalker.mkv"_qs});
        BatchLookup batch(&model);
        QVERIFY(QCoro::waitFor(batch.lookUpAll()));
        connect(&model, &LibraryModel::rowReplaced, &batch, &BatchLookup::cancel);
        QStringList seen;
        for (const RenameOutcome &outcome : QCoro::waitFor(batch.renameAll()))
            seen << describe(outcome);
        QCOMPARE(seen,
            (QStringList{u"renamed Матрица[The_Matrix](1999).mkv -"_qs, u"not reached Сталкер(1979).mkv -"_qs}));
        QVERIFY(m_folder.exists(u"Stalker.mkv"_qs));
    }
};

QTEST_GUILESS_MAIN(TestBatchLookup)
#include "tst_batchlookup.moc"
