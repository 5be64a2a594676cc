#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane;

class TestAppSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;

    QString settingsFile() const { return m_config.filePath(QStringLiteral("Tolvane/Tolvane.conf")); }

    static void writeRaw(const QString &key, const QVariant &value)
    {
        QSettings settings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"));
        settings.setValue(key, value);
        settings.sync();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    void init() { AppSettings::resetAll(); }

    void storedValuesReadBack_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("endpoint");
        QTest::addColumn<QString>("folderID");
        QTest::addColumn<bool>("hasKey");

        const auto row = [](const char *name, const QString &key, const QString &stored, const QString &endpoint,
                             const QString &folderID,
                             bool hasKey) { QTest::newRow(name) << key << stored << endpoint << folderID << hasKey; };
        const QString fallback = AppSettings::defaultYandexEndpoint;
        row("blank endpoint", AppSettings::yandexAIEndpointURL, u"   \n"_qs, fallback, {}, false);
        row("padded endpoint", AppSettings::yandexAIEndpointURL, u"  http://127.0.0.1:9/v1  "_qs,
            u"http://127.0.0.1:9/v1"_qs, {}, false);
        row("folder keeps spaces", AppSettings::yandexAIFolderID, u" b1g 2 "_qs, fallback, u" b1g 2 "_qs, false);
        row("key of whitespace", AppSettings::yandexAIAPIKey, u" \t\n "_qs, fallback, {}, false);
        row("padded key", AppSettings::yandexAIAPIKey, u" AQVN "_qs, fallback, {}, true);
    }

    void storedValuesReadBack()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        writeRaw(key, stored);
        QTEST(AppSettings::yandexEndpointURL(), "endpoint");
        QTEST(AppSettings::yandexFolderID(), "folderID");
        QTEST(AppSettings::hasYandexAPIKey(), "hasKey");
    }

    // A hand-edited layout reads as flat unless it names one; a reset brings every default back.
    void layoutSettings_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("layout");
        QTest::newRow("none") << QString() << u"flat"_qs;
        QTest::newRow("any letter case") << u" Plex"_qs << u"plex"_qs;
        QTest::newRow("unknown") << u"emby"_qs << u"flat"_qs;
    }
    void layoutSettings()
    {
        QFETCH(QString, stored);
        writeRaw(AppSettings::libraryLayoutKey, stored);
        QTEST(layoutKey(AppSettings::libraryLayout()), "layout");
        AppSettings::storeLibraryLayout(LibraryLayout::kodi);
        AppSettings::storeFilmFolders(false);
        AppSettings::storeWriteNfo(true);
        QVERIFY(AppSettings::libraryLayout() == LibraryLayout::kodi && !AppSettings::filmFolders() && AppSettings::writeNfo());
        AppSettings::resetAll();
        QVERIFY(AppSettings::libraryLayout() == LibraryLayout::flat && AppSettings::filmFolders() && !AppSettings::writeNfo());
    }

    // The file holds the API key: made for its owner alone, and an older, open one is closed.
    void fileIsTheOwnersAlone()
    {
        QVERIFY(QFile::remove(settingsFile()) || !QFile::exists(settingsFile()));
        AppSettings::storeText(AppSettings::yandexAIAPIKey, QStringLiteral("secret"));
        QCOMPARE(QFile::permissions(settingsFile()) & 0x0077, QFile::Permissions());
        QVERIFY(QFile::setPermissions(settingsFile(), QFile::Permissions(0x6644)));
        AppSettings::storeText(AppSettings::yandexAIFolderID, QStringLiteral("b1g"));
        QCOMPARE(QFile::permissions(settingsFile()) & 0x0077, QFile::Permissions());
        QCOMPARE(AppSettings::yandexAPIKey(), QStringLiteral("secret"));
    }

    // Typed by hand, a value with a comma is split into a list by the INI reader; it reads whole.
    void valueWithACommaReadsWhole()
    {
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[General]\nyandexAIAPIKey=AQVN1, x2\nyandexAIFolderID = b1g,c2 \n");
        file.close();
        QCOMPARE(AppSettings::yandexAPIKey(), QStringLiteral("AQVN1, x2"));
        QCOMPARE(AppSettings::yandexFolderID(), QStringLiteral("b1g,c2"));
    }

    void flushReportsAStoreThatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("a folder in the file's place") << QStringLiteral("folder");
        QTest::newRow("a read-only folder") << QStringLiteral("read-only");
    }
    void flushReportsAStoreThatCannotBeWritten()
    {
        QFETCH(QString, obstacle);
        if (obstacle == QStringLiteral("read-only") && ::geteuid() == 0)
            QSKIP("Running as root, which may write into any folder; run as an ordinary user to test this");
        QCOMPARE(AppSettings::flush(), std::nullopt);
        const QString folder = QFileInfo(settingsFile()).path();
        QFile::remove(settingsFile());
        if (obstacle == QStringLiteral("folder"))
            QVERIFY(QDir().mkpath(settingsFile()));
        else
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0500), 0);
        AppSettings::storeText(AppSettings::yandexAIPromptID, QStringLiteral("fvt"));
        const std::optional<QString> failure = AppSettings::flush();
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        QDir(settingsFile()).removeRecursively();
        QVERIFY(failure);
        QVERIFY2(failure->contains(settingsFile()) && !failure->contains(u'\n'), qPrintable(*failure));
        QCOMPARE(AppSettings::flush(), std::nullopt); // told once
    }

    void storeTextTrimsAndDefaultsTheEndpoint()
    {
        QVERIFY(AppSettings::storeText(AppSettings::yandexAIPromptID, QStringLiteral("  fvt123 \n"))
            && AppSettings::storeText(AppSettings::yandexAIEndpointURL, QStringLiteral("  ")));
        QVERIFY(!AppSettings::storeText(QStringLiteral("colour"), QStringLiteral("blue"))
            && !AppSettings::storeText(AppSettings::useSafariCookiesKey, QStringLiteral("true")));
        QSettings raw(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"));
        QCOMPARE(raw.value(AppSettings::yandexAIPromptID).toString(), QStringLiteral("fvt123"));
        QCOMPARE(raw.value(AppSettings::yandexAIEndpointURL).toString(), AppSettings::defaultYandexEndpoint);
        QVERIFY(!raw.contains(QStringLiteral("colour")));
    }

    void resetClearsKeysOutsideTheList()
    {
        writeRaw(QStringLiteral("windowGeometry"), QStringLiteral("0,0,800,600"));
        AppSettings::storeText(AppSettings::yandexAIAPIKey, QStringLiteral("secret"));
        AppSettings::storeUseSafariCookies(false);
        AppSettings::storeMoveCompanionFiles(false);
        QVERIFY(!AppSettings::useSafariCookies() && !AppSettings::moveCompanionFiles());
        AppSettings::resetAll();

        QSettings raw(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"));
        QVERIFY(raw.allKeys().isEmpty());
        QVERIFY(!AppSettings::hasYandexAPIKey());
        QVERIFY(AppSettings::useSafariCookies() && AppSettings::moveCompanionFiles());
    }

    void damagedFileReadsAsDefaults()
    {
        QVERIFY(QDir().mkpath(m_config.filePath(QStringLiteral("Tolvane"))));
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("\xff\xfe[General\x00\nyandexAIEndpointURL=\x01\x02\n=\n[[[\n", 40));
        file.close();

        QVERIFY(!AppSettings::yandexEndpointURL().isEmpty());
        QCOMPARE(AppSettings::yandexFolderID(), QString());
        QVERIFY(AppSettings::useSafariCookies());
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
