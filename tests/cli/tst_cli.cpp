#include "../services/CookieFileBuilder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_library;
    QTemporaryDir m_home;

    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };

    Run cli(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        environment.insert(QStringLiteral("HOME"), m_home.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TOLVANE_CLI), arguments);
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
    }

    void touch(const QString &relativePath)
    {
        const QString path = m_library.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_library.isValid() && m_home.isValid());
        touch(QStringLiteral("Фильмы/The.Matrix.1999.1080p.BluRay.x264-GROUP.mkv"));
        touch(QStringLiteral("Фильмы/b.avi"));
        touch(QStringLiteral("Фильмы/readme.txt"));
        touch(QStringLiteral("Фильмы/.hidden.mkv"));
        touch(QStringLiteral("Stalker (1979) [RUS].MKV"));
    }

    void scanPrintsStatusThenRows()
    {
        const Run run = cli({QStringLiteral("scan"), m_library.filePath(QStringLiteral("Фильмы"))});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out,
            QStringLiteral("2 file(s) — Lookup\n"
                           "b.avi\tb\t-\n"
                           "The.Matrix.1999.1080p.BluRay.x264-GROUP.mkv\tThe Matrix 1999 GROUP\t1999\n"));
    }

    void scanJsonDescribesEveryRow()
    {
        const QString folder = m_library.filePath(QStringLiteral("Фильмы"));
        const QString stalker = m_library.filePath(QStringLiteral("Stalker (1979) [RUS].MKV"));
        const Run run = cli({QStringLiteral("scan"), QStringLiteral("--json"), stalker, folder});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(root.value(QStringLiteral("status")).toString(), QStringLiteral("3 file(s) from 2 items — Lookup"));
        QCOMPARE(root.value(QStringLiteral("folder")).toString(), m_library.path());

        const QJsonArray items = root.value(QStringLiteral("items")).toArray();
        QCOMPARE(items.size(), 3);
        const QJsonObject first = items.at(0).toObject();
        QCOMPARE(first.value(QStringLiteral("name")).toString(), QStringLiteral("b.avi"));
        QCOMPARE(first.value(QStringLiteral("path")).toString(), folder + QStringLiteral("/b.avi"));
        QVERIFY(first.value(QStringLiteral("yearHint")).isNull());
        QVERIFY(first.value(QStringLiteral("selected")).toBool());
        const QJsonObject second = items.at(1).toObject();
        QCOMPARE(second.value(QStringLiteral("stem")).toString(), QStringLiteral("Stalker"));
        QCOMPARE(second.value(QStringLiteral("yearHint")).toInt(), 1979);
        QVERIFY(!second.value(QStringLiteral("selected")).toBool());
    }

    void scanJsonSurvivesAwkwardNames()
    {
        const QString name = QString::fromUtf8("Quote\" back\\slash\ttab\nline\x01 \U0001F3AC 1999.mkv");
        touch(QStringLiteral("awkward/") + name);
        const Run run
            = cli({QStringLiteral("scan"), QStringLiteral("--json"), m_library.filePath(QStringLiteral("awkward"))});
        QCOMPARE(run.exitCode, 0);
        QJsonParseError error;
        const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        const QJsonObject item = root.value(QStringLiteral("items")).toArray().at(0).toObject();
        QCOMPARE(item.value(QStringLiteral("name")).toString(), name);
        QCOMPARE(item.value(QStringLiteral("yearHint")).toInt(), 1999);
    }

    void scanOfNothingUsefulSaysSo()
    {
        const Run run = cli(
            {QStringLiteral("scan"), QStringLiteral("--json"), m_library.filePath(QStringLiteral("Фильмы/readme.txt")),
                m_library.filePath(QStringLiteral("missing.mkv"))});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(root.value(QStringLiteral("status")).toString(),
            QStringLiteral("No video files in drop (1 non-video skipped)"));
        QVERIFY(root.value(QStringLiteral("folder")).isNull());
        QVERIFY(root.value(QStringLiteral("items")).toArray().isEmpty());
    }

    void settingsRoundTrip()
    {
        QCOMPARE(
            cli({QStringLiteral("settings"), QStringLiteral("yandexAIAPIKey"), QStringLiteral("  AQVNsecretkey1234 ")})
                .exitCode,
            0);
        QCOMPARE(
            cli({QStringLiteral("settings"), QStringLiteral("yandexAIEndpointURL"), QStringLiteral(" ")}).exitCode, 0);
        QCOMPARE(
            cli({QStringLiteral("settings"), QStringLiteral("useSafariCookies"), QStringLiteral("off")}).exitCode, 0);

        const Run run = cli({QStringLiteral("settings")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(!run.out.contains(QStringLiteral("secret")), qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral("yandexAIAPIKey\t••••1234\n")));
        QVERIFY(run.out.contains(
            QStringLiteral("yandexAIEndpointURL\thttps://rest-assistant.api.cloud.yandex.net/v1/responses\n")));
        QVERIFY(run.out.contains(QStringLiteral("useSafariCookies\tfalse\n")));
    }

    void cookiesPrintsStatusAndHeader_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("out");

        const QString path = m_home.filePath(QStringLiteral("Library/Cookies/Cookies.binarycookies"));
        const QString loaded = QStringLiteral("Status: loaded 2 cookies\n") + path;
        const QString cookies = QStringLiteral("cookies");
        const QString json = QStringLiteral("--json");
        const QString header = QStringLiteral("--header");
        const QString site = QStringLiteral("https://www.example.com/");
        const QString other = QStringLiteral("https://example.org/");

        QTest::newRow("not found") << true << false << QStringList{cookies}
                                   << QStringLiteral("Status: Safari cookie file not found\n");
        QTest::newRow("disabled") << false << true << QStringList{cookies, header, site}
                                  << QStringLiteral("Status: disabled\n");
        QTest::newRow("loaded with header")
            << true << true << QStringList{cookies, header, site} << loaded + QStringLiteral("\nCookie: a=1; b=2\n");
        QTest::newRow("no cookie for the URL")
            << true << true << QStringList{cookies, header, other} << loaded + QStringLiteral("\n");
        QTest::newRow("json loaded with header")
            << true << true << QStringList{cookies, json, header, site}
            << QStringLiteral("{\"status\": \"loaded\", \"text\": \"Status: loaded 2 cookies\\n%1\", \"count\": 2, "
                              "\"path\": \"%1\", \"header\": \"a=1; b=2\"}\n")
                   .arg(path);
        QTest::newRow("json no cookie for the URL")
            << true << true << QStringList{cookies, json, header, other}
            << QStringLiteral("{\"status\": \"loaded\", \"text\": \"Status: loaded 2 cookies\\n%1\", \"count\": 2, "
                              "\"path\": \"%1\", \"header\": null}\n")
                   .arg(path);
        QTest::newRow("json not found") << true << false << QStringList{cookies, json}
                                        << QStringLiteral("{\"status\": \"notFound\", \"text\": \"Status: Safari "
                                                          "cookie file not found\", \"count\": 0, \"path\": null}\n");
    }

    void cookiesPrintsStatusAndHeader()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, withFile);
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);

        const QString path = m_home.filePath(QStringLiteral("Library/Cookies/Cookies.binarycookies"));
        QFile::remove(path);
        if (withFile) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(cookiefile::cookiesFile({{.domain = ".example.com", .name = "a", .value = "1"},
                {.domain = "www.example.com", .name = "b", .value = "2"}}));
        }
        QCOMPARE(cli({QStringLiteral("settings"), QStringLiteral("useSafariCookies"),
                         enabled ? QStringLiteral("on") : QStringLiteral("off")})
                     .exitCode,
            0);

        const Run run = cli(arguments);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out, out);
        QCOMPARE(run.exitCode, 0);
    }

    void badUsageFailsWithAHint_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("hint");
        QTest::newRow("no command") << QStringList{} << "Usage:";
        QTest::newRow("unknown command") << QStringList{QStringLiteral("paint")} << "expected one of: scan, settings";
        QTest::newRow("unknown option") << QStringList{QStringLiteral("scan"), QStringLiteral("--fast")} << "fast";
        QTest::newRow("scan without paths") << QStringList{QStringLiteral("scan")} << "expected at least one PATH";
        QTest::newRow("unknown key") << QStringList{QStringLiteral("settings"), QStringLiteral("colour"),
            QStringLiteral("red")} << "expected one of: yandexAIAPIKey";
        QTest::newRow("not a boolean") << QStringList{QStringLiteral("settings"), QStringLiteral("useSafariCookies"),
            QStringLiteral("maybe")} << "expects true or false";
        QTest::newRow("key without value")
            << QStringList{QStringLiteral("settings"), QStringLiteral("yandexAIAPIKey")} << "KEY VALUE";
        QTest::newRow("cookies with an argument")
            << QStringList{QStringLiteral("cookies"), QStringLiteral("now")} << "unexpected argument “now”";
        QTest::newRow("header without URL")
            << QStringList{QStringLiteral("cookies"), QStringLiteral("--header")} << "--header";
        QTest::newRow("header not a URL") << QStringList{QStringLiteral("cookies"), QStringLiteral("--header"),
            QStringLiteral("example com")} << "expects a URL with a host";
    }

    void badUsageFailsWithAHint()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, hint);
        const Run run = cli(arguments);
        QVERIFY(run.exitCode != 0);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains(hint), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
