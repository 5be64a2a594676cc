// What needs a process: exit codes, signals, usage and version texts, the raw bytes of path
// arguments, the settings store's failure. Lookups run against the fake services.
#include "FakeServices.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane;

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_config, m_bare, m_home, m_files, m_keyConfig;
    std::unique_ptr<FakeServices> m_services;

    struct Run {
        int exitCode = -1;
        QString out, err;
    };

    /// Runs `program` to its end in a session of `language`; `meanwhile` acts on it once started.
    Run cli(const QStringList &arguments, const QString &config = {},
        const std::function<void(QProcess &)> &meanwhile = {}, const QString &program = QStringLiteral(TOLVANE_CLI),
        const QString &language = u"en"_qs) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_qs, config.isEmpty() ? m_config.path() : config);
        environment.insert(u"HOME"_qs, m_home.path());
        environment.insert(u"XDG_STATE_HOME"_qs, m_home.path() + u"/state"_qs);
        environment.insert(u"TOLVANE_TEST_SERVICES"_qs, m_services->origin());
        environment.insert(u"TOLVANE_TOOL_DIRS"_qs, QString());
        environment.insert(u"LANGUAGE"_qs, language);
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (meanwhile)
            meanwhile(process);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return {};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
    }

    /// An empty file at these path bytes under the files folder; its path as text.
    QString touch(const QByteArray &relative) const
    {
        const QByteArray path = QFile::encodeName(m_files.path()) + '/' + relative;
        for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
            ::mkdir(path.left(slash).constData(), 0755);
        ::close(::open(path.constData(), O_WRONLY | O_CREAT, 0644));
        return QFile::decodeName(path);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_bare.isValid() && m_home.isValid() && m_files.isValid());
        m_services = std::make_unique<FakeServices>();
        for (const auto &[key, value] : {std::pair{u"yandexAIAPIKey"_qs, u"AQVN-fake-key"_qs},
                 {u"yandexAIFolderID"_qs, u"b1g-folder"_qs}, {u"yandexAIPromptID"_qs, u"fvt-prompt"_qs},
                 {u"useSafariCookies"_qs, u"false"_qs}})
            QCOMPARE(cli({u"settings"_qs, key, value}).exitCode, 0);
        m_services->scriptAI(u"Stalker"_qs, {502, "text/plain", "Bad\x1b[2J gateway"});
        m_services->scriptVK(u"Stalker"_qs, QList<FakeServices::Video>{{u"Stalker (1979)"_qs, -1, 1, 5400}});
    }

    void scan_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString film = touch("films/Evil\x1b]0;x\a 1999.mkv"), other = touch("films/b.avi");
        const QString folder = QFileInfo(film).path(), missing = folder + u"/gone.mkv"_qs;
        touch("films/readme.txt");
        QTest::newRow("text, escaped") << QStringList{u"scan"_qs, folder} << 0
                                       << u"2 file(s) — Lookup\nb.avi\tb\t-\nEvil\\e]0;x\\x07 1999.mkv\tEvil\\e]0;x\\x07 1999\t1999\n"_qs
                                       << QString();
        QTest::newRow("json, a missing path") << QStringList{u"scan"_qs, u"--json"_qs, missing, other} << 1
                                              << uR"({
  "status": "1 file(s) — Lookup",
  "folder": "%1",
  "items": [
    {
      "name": "b.avi",
      "path": "%2",
      "stem": "b",
      "yearHint": null,
      "selected": true
    }
  ]
}
)"_qs.arg(folder, other) << u"tolvane-cli scan: %1: No such file or directory\n"_qs.arg(missing);
    }

    void scan()
    {
        QFETCH(QStringList, arguments);
        const Run run = cli(arguments);
        QTEST(run.out, "out");
        QTEST(run.err, "err");
        QTEST(run.exitCode, "exitCode");
    }

    // A Latin-1 folder name, given as it is, reaches the intake, shows readably, and its file is
    // renamed (to a UTF-8 name) in that very folder.
    void argumentBytesKept()
    {
        touch("Caf\xe9/Caf\xe8 1999.mkv");
        m_services->scriptAI(u"Cafè 1999"_qs, FakeServices::aiMovie(u"Café"_qs, 1999));
        const auto inFolder = [this](const QString &command) {
            return cli({u"-c"_qs, u"exec \"$0\" %1 \"$(printf '%s/Caf\\351' \"$1\")\""_qs.arg(command),
                           QStringLiteral(TOLVANE_CLI), m_files.path()},
                {}, {}, u"/bin/sh"_qs);
        };
        QCOMPARE(inFolder(u"scan"_qs).out, u"1 file(s) — Lookup\nCafè 1999.mkv\tCafè 1999\t1999\n"_qs);
        QCOMPARE(inFolder(u"rename"_qs).exitCode, 0);
        // QDir cannot reach these names, to check them or to remove them.
        const QByteArray folder = QFile::encodeName(m_files.path()) + "/Caf\xe9";
        QCOMPARE(::unlink(folder + "/Caf\xc3\xa9(1999).mkv"), 0);
        QCOMPARE(::rmdir(folder), 0);
    }

    // A folder with subtitles renamed and undone from the command line; the undo is never undone.
    void renameHistoryUndo()
    {
        const QString film = touch("subs/Matritsa 1999.mkv");
        touch("subs/Matritsa 1999.en.srt");
        touch("subs/Matritsa 1999.nfo");
        touch("subs/Matritsa 1999.Making.Of.srt");
        const QString folder = QFileInfo(film).path();
        const auto names = [&] { return QDir(folder).entryList(QDir::Files, QDir::Name).join(u'|'); };
        const QString before = names();
        m_services->scriptAI(u"Matritsa 1999"_qs, FakeServices::aiMovie(u"The Matrix"_qs, 1999));

        const Run dry = cli({u"rename"_qs, u"--dry-run"_qs, folder});
        QVERIFY2(dry.out.contains(u"    with: Matritsa 1999.en.srt → The_Matrix(1999).en.srt\n"
                                  "    with: Matritsa 1999.nfo → The_Matrix(1999).nfo\n"_qs), qPrintable(dry.out));
        QCOMPARE(names(), before);
        QCOMPARE(cli({u"rename"_qs, folder}).exitCode, 0);
        QCOMPARE(names(), u"Matritsa 1999.Making.Of.srt|The_Matrix(1999).en.srt|The_Matrix(1999).mkv|The_Matrix(1999).nfo"_qs);
        QVERIFY(cli({u"history"_qs}).out.section(u'\n', 0, 0).endsWith(u"  3 file(s)  %1"_qs.arg(folder)));

        const Run undo = cli({u"undo"_qs});
        QCOMPARE(undo.exitCode, 0);
        QVERIFY2(undo.out.contains(u"Undone: 3 file(s) of "_qs), qPrintable(undo.out));
        QCOMPARE(names(), before);
        const QString history = cli({u"history"_qs, u"--json"_qs}).out;
        QVERIFY(history.indexOf(u"\"kind\": \"undo\""_qs) < history.indexOf(u"\"undone\": true"_qs));
        // The undo itself is not offered, nor the batch undone: an older rename, if any, is next.
        const Run again = cli({u"undo"_qs});
        QVERIFY(!again.out.contains(folder) && !again.err.contains(folder));
        QCOMPARE(names(), before);
    }

    void settingsStoreFailureFails()
    {
        QTemporaryDir config;
        QVERIFY(QDir(config.path()).mkpath(u"Tolvane/Tolvane.conf"_qs));
        const Run run = cli({u"settings"_qs, u"yandexAIPromptID"_qs, u"p"_qs}, config.path());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith(u"tolvane-cli settings: "_qs) && run.err.contains(u"Tolvane.conf"_qs),
            qPrintable(run.err));
    }

    // The key saved, replaced and cleared where the desktop keeps it: a keyring of its own in
    // tst_cli_keyring (the command died with SIGSEGV there), the settings file where no bus answers.
    void apiKeyStoredWhereItLives_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("shown");
        QTest::newRow("save") << u"AQVN-first-key-1234"_qs << u"••••1234"_qs;
        QTest::newRow("replace") << u"AQVN-other-key-5678"_qs << u"••••5678"_qs;
        QTest::newRow("clear") << QString() << QString();
    }
    void apiKeyStoredWhereItLives()
    {
        QFETCH(QString, key);
        QFETCH(QString, shown);
        QCOMPARE(cli({u"settings"_qs, u"yandexAIAPIKey"_qs, key}, m_keyConfig.path()).exitCode, 0);
        const Run listed = cli({u"settings"_qs}, m_keyConfig.path());
        const bool keyring = qEnvironmentVariable("TOLVANE_TEST_KEYRING") == u"unlocked"_qs;
        QVERIFY2(listed.out.startsWith(u"yandexAIAPIKey\t"_qs + shown + u'\n')
                && listed.out.contains(keyring ? u"kept in the keyring"_qs : u"kept in the settings file"_qs),
            qPrintable(listed.out));
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("text"); // what the output (0) or the error (2) starts with
        QTest::newRow("version") << QStringList{u"--version"_qs} << 0 << u"tolvane-cli 0.1.0\n"_qs;
        QTest::newRow("usage line") << QStringList{u"rename"_qs, u"--help"_qs} << 0
                                    << u"Usage: tolvane-cli rename [options] PATH...\n"_qs;
        QTest::newRow("no command") << QStringList{} << 2 << u"Usage: tolvane-cli COMMAND"_qs;
        QTest::newRow("unknown command") << QStringList{u"paint"_qs} << 2 << u"tolvane-cli: unknown command “paint”"_qs;
        QTest::newRow("help-all not offered") << QStringList{u"scan"_qs, u"--help-all"_qs} << 2
                                              << u"tolvane-cli scan: Unknown option 'help-all'."_qs;
        QTest::newRow("lookup without paths") << QStringList{u"lookup"_qs, u"--json"_qs} << 2
                                              << u"tolvane-cli lookup: expected at least one PATH"_qs;
        QTest::newRow("unknown key") << QStringList{u"settings"_qs, u"colour"_qs, u"red"_qs} << 2
                                     << u"tolvane-cli settings: unknown key “colour”"_qs;
        QTest::newRow("unknown layout stored") << QStringList{u"settings"_qs, u"libraryLayout"_qs, u"emby"_qs} << 1
                                        << u"tolvane-cli settings: libraryLayout expects flat, jellyfin, plex or kodi, not “emby”"_qs;
        QTest::newRow("unknown language stored") << QStringList{u"settings"_qs, u"language"_qs, u"xx"_qs} << 1
                                                 << u"tolvane-cli settings: language expects system, en, ru, not “xx”"_qs;
        QTest::newRow("unknown layout for a run") << QStringList{u"rename"_qs, u"--layout"_qs, u"emby"_qs, u"x.mkv"_qs} << 2
                                                  << u"tolvane-cli rename: --layout expects flat, jellyfin, plex or kodi, not “emby”"_qs;
    }

    void usage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, text);
        const Run run = cli(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2((exitCode == 0 ? run.out : run.err).startsWith(text), qPrintable(run.out + run.err));
        QVERIFY((exitCode == 0 ? run.err : run.out).isEmpty());
        const QString listed = cli({u"settings"_qs}).out; // nothing stored
        QVERIFY2(listed.contains(u"\nlibraryLayout\tflat\n"_qs) && listed.contains(u"\nlanguage\tsystem\n"_qs), qPrintable(listed));
    }

    // A Russian session: help (Qt's parser words too), usage errors, plural counts; --json as in English.
    void russian_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("text"); // in the output (0) or the error; none: all as in English
        const QString one = touch("ru/1/a.mkv"), two = QFileInfo(touch("ru/2/a.mkv")).path(), five = QFileInfo(touch("ru/5/a.mkv")).path();
        for (const char *name : {"ru/2/b.mkv", "ru/5/b.mkv", "ru/5/c.mkv", "ru/5/d.mkv", "ru/5/e.mkv"})
            touch(name);
        QTest::newRow("main help") << QStringList{u"--help"_qs} << 0 << u"Использование: tolvane-cli COMMAND [ПАРАМЕТРЫ] [АРГУМЕНТЫ]\n"_qs;
        QTest::newRow("usage line") << QStringList{u"scan"_qs, u"--help"_qs} << 0 << u"Использование: tolvane-cli scan [параметры] PATH...\n"_qs;
        QTest::newRow("option") << QStringList{u"scan"_qs, u"--help"_qs} << 0 << u"Параметры:\n  --json      Вывести один объект JSON вместо текста.\n  -h, --help  Вывод справки"_qs;
        QTest::newRow("usage error") << QStringList{u"lookup"_qs} << 2 << u"tolvane-cli lookup: нужен хотя бы один PATH\n"_qs;
        QTest::newRow("parser error") << QStringList{u"scan"_qs, u"--all"_qs} << 2 << u"tolvane-cli scan: Неизвестный параметр «all».\n"_qs;
        QTest::newRow("1 file") << QStringList{u"scan"_qs, one} << 0 << u"1 файл — нажмите «Найти»\n"_qs;
        QTest::newRow("2 files") << QStringList{u"scan"_qs, two} << 0 << u"2 файла — нажмите «Найти»\n"_qs;
        QTest::newRow("5 files") << QStringList{u"scan"_qs, five} << 0 << u"5 файлов — нажмите «Найти»\n"_qs;
        QTest::newRow("unknown language") << QStringList{u"settings"_qs, u"language"_qs, u"xx"_qs} << 1
                                          << u"tolvane-cli settings: language ожидает system, en, ru, а не «xx»\n"_qs;
        QTest::newRow("json as in English") << QStringList{u"scan"_qs, u"--json"_qs, two} << 0 << QString();
    }
    void russian()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, text);
        const Run run = cli(arguments, {}, {}, QStringLiteral(TOLVANE_CLI), u"ru"_qs);
        QTEST(run.exitCode, "exitCode");
        QVERIFY2((run.exitCode == 0 ? run.out : run.err).contains(text), qPrintable(run.out + run.err));
        if (text.isEmpty()) {
            const Run english = cli(arguments);
            QVERIFY(run.out.contains(u"\"status\": \"2 file(s) — Lookup\""_qs));
            QCOMPARE(run.out, english.out);
        }
    }

    // A layout for a run or stored (kept lowercase): the path, the folder and .nfo made, a film left in place.
    void layouts_data()
    {
        QTest::addColumn<QString>("stored"); // libraryLayout, with writeNfo true
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("out");
        const QString film = touch("lay/Matritsa 1999.mkv"), named = touch("laid/The Matrix (1999)/The Matrix (1999).mkv");
        QTest::newRow("lookup, flat over the setting") << u"Kodi"_qs << QStringList{u"lookup"_qs, u"--json"_qs, u"--layout=FLAT"_qs, film}
                                                       << u"\"proposedPath\": \"The_Matrix(1999).mkv\""_qs;
        QTest::newRow("lookup, jellyfin") << u"flat"_qs << QStringList{u"lookup"_qs, u"--layout"_qs, u"jellyfin"_qs, film}
                                          << u"  proposed: %1/%1.mkv\n"_qs.arg(u"The Matrix (1999)"_qs);
        QTest::newRow("dry run, kodi") << u"KODI"_qs << QStringList{u"rename"_qs, u"--dry-run"_qs, film}
                                       << u"  rename: planned → %1.mkv\n    make: %1/\n    write: %1/%1.nfo\n"_qs.arg(u"The Matrix (1999)"_qs);
        QTest::newRow("dry run json") << u"flat"_qs << QStringList{u"rename"_qs, u"--dry-run"_qs, u"--json"_qs, u"--layout=kodi"_qs, film}
                                      << u"\"folder\": \"%1/\",\n        \"nfo\": \"%1/%1.nfo\""_qs.arg(u"The Matrix (1999)"_qs);
        QTest::newRow("already named") << u"kodi"_qs << QStringList{u"rename"_qs, named}
                                       << u"  rename: alreadyNamed → %1.mkv (already so named)\n"_qs.arg(u"The Matrix (1999)"_qs);
    }
    void layouts()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        m_services->scriptAI(u"Matritsa 1999"_qs, FakeServices::aiMovie(u"The Matrix"_qs, 1999));
        m_services->scriptAI(u"The Matrix"_qs, FakeServices::aiMovie(u"The Matrix"_qs, 1999));
        QVERIFY(cli({u"settings"_qs, u"libraryLayout"_qs, stored}).exitCode == 0 && cli({u"settings"_qs, u"writeNfo"_qs, u"1"_qs}).exitCode == 0);
        const Run run = cli(arguments);
        const QString listed = cli({u"settings"_qs}).out;
        QVERIFY(cli({u"settings"_qs, u"libraryLayout"_qs, u"flat"_qs}).exitCode == 0 && cli({u"settings"_qs, u"writeNfo"_qs, u"0"_qs}).exitCode == 0);
        QVERIFY2(listed.contains(u"\nlibraryLayout\t%1\nfilmFolders\ttrue\nwriteNfo\ttrue\n"_qs.arg(stored.toLower())), qPrintable(listed));
        QVERIFY2(run.exitCode == 0 && run.out.contains(out), qPrintable(run.out + run.err));
    }

    // A folder of films filed in a layout, renamed again with nothing moved, then undone to the
    // exact tree it was: folders made and .nfo files written are gone again.
    void layoutRoundTrip_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QStringList>("filed");
        const QString matrix = u"The Matrix (1999)"_qs, heat = u"Heat (1995)"_qs;
        QTest::newRow("flat") << u"flat"_qs
                              << QStringList{u"Heat(1995)_cd1.avi"_qs, u"Heat(1995)_cd1.nfo"_qs, u"Heat(1995)_cd2.avi"_qs, u"Heat(1995)_cd2.nfo"_qs,
                                     u"The_Matrix(1999)_Director's_Cut.en.srt"_qs, u"The_Matrix(1999)_Director's_Cut.mkv"_qs,
                                     u"The_Matrix(1999)_Director's_Cut.nfo"_qs};
        QTest::newRow("jellyfin") << u"jellyfin"_qs
                                  << QStringList{heat + u"/"_qs + heat + u" - cd1.avi"_qs, heat + u"/"_qs + heat + u" - cd1.nfo"_qs,
                                         heat + u"/"_qs + heat + u" - cd2.avi"_qs, heat + u"/"_qs + heat + u" - cd2.nfo"_qs,
                                         matrix + u"/"_qs + matrix + u" - Director's Cut.en.srt"_qs,
                                         matrix + u"/"_qs + matrix + u" - Director's Cut.mkv"_qs,
                                         matrix + u"/"_qs + matrix + u" - Director's Cut.nfo"_qs};
        const QString plexMatrix = matrix + u" {edition-Director's Cut}"_qs;
        QTest::newRow("plex") << u"plex"_qs
                              << QStringList{heat + u"/"_qs + heat + u" - cd1.avi"_qs, heat + u"/"_qs + heat + u" - cd1.nfo"_qs,
                                     heat + u"/"_qs + heat + u" - cd2.avi"_qs, heat + u"/"_qs + heat + u" - cd2.nfo"_qs,
                                     plexMatrix + u"/"_qs + plexMatrix + u".en.srt"_qs, plexMatrix + u"/"_qs + plexMatrix + u".mkv"_qs,
                                     plexMatrix + u"/"_qs + plexMatrix + u".nfo"_qs};
    }
    void layoutRoundTrip()
    {
        QFETCH(QString, layout);
        const QStringList original{u"Heat.1995.cd1.avi"_qs, u"Heat.1995.cd2.avi"_qs,
            u"Matritsa.1999.Directors.Cut.en.srt"_qs, u"Matritsa.1999.Directors.Cut.mkv"_qs};
        const QString root = m_files.path() + u"/trip-"_qs + layout;
        for (const QString &name : original)
            touch(("trip-" + layout + '/' + name).toUtf8());
        const auto tree = [&root] {
            QStringList paths;
            for (QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();)
                if (const QString path = it.next(); !QFileInfo(path).isDir())
                    paths.append(path.mid(root.size() + 1));
            paths.sort();
            return paths;
        };
        // The stems of the names as filed: the year in brackets leaves the stem.
        for (const char *stem : {"Matritsa 1999", "The Matrix", "The Matrix Director's"})
            m_services->scriptAI(QString::fromUtf8(stem), FakeServices::aiMovie(u"The Matrix"_qs, 1999));
        for (const char *stem : {"Heat 1995", "Heat"})
            m_services->scriptAI(QString::fromUtf8(stem), FakeServices::aiMovie(u"Heat"_qs, 1995));
        QVERIFY(cli({u"settings"_qs, u"writeNfo"_qs, u"true"_qs}).exitCode == 0);
        const Run renamed = cli({u"rename"_qs, u"--layout"_qs, layout, root});
        const Run again = cli({u"rename"_qs, u"--layout"_qs, layout, root});
        const QStringList filed = tree();
        const Run undone = cli({u"undo"_qs});
        QVERIFY(cli({u"settings"_qs, u"writeNfo"_qs, u"false"_qs}).exitCode == 0);
        QVERIFY2(renamed.exitCode == 0, qPrintable(renamed.out + renamed.err));
        QVERIFY2(again.exitCode == 0 && again.out.count(u"rename: alreadyNamed"_qs) == 3, qPrintable(again.out + again.err));
        QTEST(filed, "filed");
        QVERIFY2(undone.exitCode == 0, qPrintable(undone.out + undone.err));
        QCOMPARE(tree(), original);
        QCOMPARE(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    }

    // 0 only when every row has a name; outside text is escaped; the agent's missing key is told once.
    void lookupExitCodes_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("withKey");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        const QString named = touch("look/Stalker.mkv"), unnamed = touch("look/1080p.mkv");
        QTest::newRow("every row named") << QStringList{named} << true << 0 << QString();
        QTest::newRow("a row without a name") << QStringList{named, unnamed} << true << 1 << QString();
        QTest::newRow("a missing path") << QStringList{named + u"x"_qs, named} << true << 1
                                        << u"tolvane-cli lookup: %1x: No such file or directory\n"_qs.arg(named);
        QTest::newRow("no API key") << QStringList{unnamed} << false << 1
                                    << u"tolvane-cli: the AI agent is skipped: no API key is set; store one with "
                                       "“tolvane-cli settings yandexAIAPIKey KEY”\n"_qs;
    }

    void lookupExitCodes()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, withKey);
        const Run run = cli(QStringList{u"lookup"_qs} + files, withKey ? QString() : m_bare.path());
        QTEST(run.err, "err");
        QTEST(run.exitCode, "exitCode");
        QVERIFY(!run.out.contains(u'\x1b'));
        QVERIFY2(run.out.contains(u"  Yandex AI: Yandex AI HTTP 502: Bad\\e[2J gateway\n"_qs) == withKey, qPrintable(run.out));
    }

    // A rename fails (1) when a row could not be renamed, for its lookup or the journal (here a
    // folder); a dry run as the run would.
    void renameFailures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("out");
        const QString blocked = u"The rename journal %1/state/Tolvane/renames.jsonl can’t be written: Is a directory"_qs.arg(m_home.path());
        QTest::newRow("every lookup failed") << QStringList{u"rename"_qs, touch("fail/1080p.mkv")} << u"rename: skipped"_qs;
        QTest::newRow("dry run, journal a folder") << QStringList{u"rename"_qs, u"--dry-run"_qs, touch("fail/Stalker.mkv")} << blocked;
        QTest::newRow("run, journal a folder") << QStringList{u"rename"_qs, touch("fail/Stalker.mkv")} << blocked;
    }
    void renameFailures()
    {
        QFETCH(QStringList, arguments);
        const QString journal = m_home.path() + u"/state/Tolvane/renames.jsonl"_qs;
        QFile::rename(journal, journal + u".kept"_qs);
        QVERIFY(QDir().mkpath(journal + u"/x"_qs));
        const Run run = cli(arguments);
        QDir(journal).removeRecursively();
        QFile::rename(journal + u".kept"_qs, journal);
        QCOMPARE(run.exitCode, 1);
        QFETCH(QString, out);
        QVERIFY2(run.out.contains(out), qPrintable(run.out));
        QVERIFY(QFile::exists(arguments.last()));
    }

    // Interrupted while looking up: nothing printed, nothing renamed, 130.
    void interruptWhileLookingUp_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }

    void interruptWhileLookingUp()
    {
        QFETCH(int, signal);
        const QString file = touch("held/Matrix 1999.mkv");
        // The previous row's request, released but perhaps not yet answered, would otherwise
        // count as this one's and let the signal go before the handler is in place.
        QTRY_COMPARE(m_services->inFlight(FakeServices::Service::ai), 0);
        m_services->hold(FakeServices::Service::ai);
        const Run run = cli({u"rename"_qs, file}, {}, [&](QProcess &process) {
            QTRY_COMPARE_WITH_TIMEOUT(m_services->inFlight(FakeServices::Service::ai), 1, 20000);
            QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
        });
        m_services->release(FakeServices::Service::ai);
        QCOMPARE(run.exitCode, 130);
        QCOMPARE(run.err, u"tolvane-cli: interrupted; nothing was renamed\n"_qs);
        QCOMPARE(run.out, QString());
        QVERIFY(QFile::exists(file));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
