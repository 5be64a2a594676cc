#include "settings/ApiKeyStore.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tolvane;
using namespace std::chrono_literals;

// Runs three times under CTest: with a GNOME Keyring of its own on a private bus
// (tests/with-keyring: TOLVANE_TEST_KEYRING=unlocked), with that keyring locked and nobody to
// unlock it (locked), and with no session bus at all, where the settings file is the fallback.
class TestApiKeyStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    const QString m_mode = qEnvironmentVariable("TOLVANE_TEST_KEYRING");
    const bool m_keyring = m_mode == u"unlocked"_qs;
    const ApiKeyStore::Location m_expected
        = m_keyring ? ApiKeyStore::Location::keyring : ApiKeyStore::Location::settingsFile;

    // A locked keyring answers a read (with nothing) but refuses every write, so where a load
    // settles there is the keyring's affair; what counts is the key read and that nothing hangs.
    void reload()
    {
        ApiKeyStore::forgetForTesting();
        const ApiKeyStore::Location found = QCoro::waitFor(ApiKeyStore::load(3s));
        if (m_mode != u"locked"_qs)
            QCOMPARE(found, m_expected);
    }

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
        reload();
        QCOMPARE(AppSettings::yandexAPIKey(), u"from-file"_qs);
        // Moved into the keyring once it holds the key; kept in the file otherwise.
        QCOMPARE(AppSettings::fileAPIKey(), m_keyring ? QString() : u"from-file"_qs);
    }

    // Saving, replacing and clearing crashed the process once a real keyring answered.
    void storeReplaceClear_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("store") << u" k2 "_qs << u"k2"_qs;
        QTest::newRow("replace") << u"k3"_qs << u"k3"_qs;
        QTest::newRow("clear") << QString() << QString();
    }
    void storeReplaceClear()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(QCoro::waitFor(ApiKeyStore::store(typed)), m_expected);
        QCOMPARE(AppSettings::yandexAPIKey(), kept);
        reload(); // read back as the next start reads it
        QCOMPARE(AppSettings::yandexAPIKey(), kept);
        QCOMPARE(AppSettings::fileAPIKey(), m_keyring ? QString() : kept);
        if (!m_keyring && !kept.isEmpty())
            QCOMPARE(fileMode(), mode_t(0600));
    }

    void clearRemovesItEverywhere()
    {
        QCoro::waitFor(ApiKeyStore::store(u"k4"_qs));
        QCoro::waitFor(ApiKeyStore::clear());
        reload();
        QCOMPARE(AppSettings::yandexAPIKey(), QString());
        QCOMPARE(AppSettings::fileAPIKey(), QString());
    }
};

QTEST_GUILESS_MAIN(TestApiKeyStore)
#include "tst_apikeystore.moc"
