#include "settings/ApiKeyStore.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tolvane;
using namespace std::chrono_literals;

// Runs twice under CTest: on the session bus as found (the round trip where a Secret Service
// answers) and with no bus at all (tst_apikeystore_nobus), where the settings file is the fallback.
class TestApiKeyStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    ApiKeyStore::Location m_found = ApiKeyStore::Location::settingsFile;

    mode_t fileMode() const
    {
        struct stat info { };
        return ::stat(QFile::encodeName(AppSettings::fileName()).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        // A settings file of its own, so that the keyring entry is this test's and not the user's.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        AppSettings::storeText(AppSettings::yandexAIAPIKey, u"from-file"_qs);
        m_found = QCoro::waitFor(ApiKeyStore::load(5s));
    }

    void fallsBackToThePrivateSettingsFile()
    {
        if (m_found == ApiKeyStore::Location::keyring)
            QSKIP("a Secret Service answers; tst_apikeystore_nobus covers the fallback");
        QCOMPARE(ApiKeyStore::locationText(), u"the settings file "_qs + AppSettings::fileName());
        QCOMPARE(AppSettings::yandexAPIKey(), u"from-file"_qs);
        QCOMPARE(QCoro::waitFor(ApiKeyStore::store(u" k2 "_qs)), ApiKeyStore::Location::settingsFile);
        QCOMPARE(AppSettings::fileAPIKey(), u"k2"_qs);
        QCOMPARE(fileMode(), mode_t(0600));
        QCoro::waitFor(ApiKeyStore::clear());
        QCOMPARE(AppSettings::yandexAPIKey(), QString());
    }

    void movesTheKeyIntoTheKeyring()
    {
        if (m_found != ApiKeyStore::Location::keyring)
            QSKIP("no Secret Service on the session bus");
        QCOMPARE(AppSettings::fileAPIKey(), QString()); // moved at load
        QCOMPARE(AppSettings::yandexAPIKey(), u"from-file"_qs);
        QCOMPARE(QCoro::waitFor(ApiKeyStore::store(u"k2"_qs)), ApiKeyStore::Location::keyring);
        ApiKeyStore::forgetForTesting();
        QCOMPARE(QCoro::waitFor(ApiKeyStore::load(5s)), ApiKeyStore::Location::keyring);
        QCOMPARE(AppSettings::yandexAPIKey(), u"k2"_qs);
        QCOMPARE(AppSettings::fileAPIKey(), QString());
        QCoro::waitFor(ApiKeyStore::clear());
        ApiKeyStore::forgetForTesting();
        QCoro::waitFor(ApiKeyStore::load(5s));
        QCOMPARE(AppSettings::yandexAPIKey(), QString());
    }
};

QTEST_GUILESS_MAIN(TestApiKeyStore)
#include "tst_apikeystore.moc"
