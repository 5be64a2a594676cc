#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

// `tolvane-cli probe` as users run it, with a fake mediainfo: what reaches the terminal, the exit
// status, and names that are not UTF-8 taken from the command line as they are.
class TestProbeCommand : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;

    struct Run {
        int status;
        QByteArray out;
        QByteArray err;
    };

    // Through the shell, so that arguments can hold bytes that are not UTF-8 (printf escapes).
    Run cli(const QString &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TOLVANE_TOOL_DIRS"_qs, m_folder.filePath(u"tools"_qs));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_folder.path());
        process.start(u"/bin/sh"_qs, {u"-c"_qs, u"exec \"$0\" probe "_qs + arguments, QStringLiteral(TOLVANE_CLI)});
        process.waitForFinished(30000);
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(
            m_folder.isValid() && QDir(m_folder.path()).mkpath(u"tools"_qs) && QDir(m_folder.path()).mkpath(u"dir"_qs));
        QFile tool(m_folder.filePath(u"tools/mediainfo"_qs));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        // Knows no format of a file named "text…"; names the others' format with an escape sequence.
        tool.write(
            "#!/bin/sh\ncase \"$2\" in */hang*) sleep 300 & echo $! > \"$0.child\"; sleep 300;;\n*/text*) echo "
            "'{\"media\": {\"track\": {\"@type\": \"General\"}}}';;\n"
            "*) echo '{\"media\": {\"track\": {\"@type\": \"General\", \"Format\": \"X\\u001b[2J\"}}}';; esac\n");
        QVERIFY(tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        for (const char *name : {"a.mkv", "text.mkv", "hang.mkv", "Caf\xe9.mkv"}) {
            const int fd = ::creat((QFile::encodeName(m_folder.path()) + '/' + name).constData(), 0600);
            QVERIFY(fd >= 0 && ::write(fd, "x", 1) == 1 && ::close(fd) == 0);
        }
    }
    void cleanupTestCase() { ::unlink((QFile::encodeName(m_folder.path()) + "/Caf\xe9.mkv").constData()); }

    void failuresNamedAndCounted_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QByteArray a
            = "/a.mkv\n  Probe: mediainfo\n  File size: 1 bytes\n  Container: X\\e[2J\n  Video: \xe2\x80\x94\n"
              "  Audio tracks: 0\n";
        QTest::newRow("probed, escape shown escaped") << u"a.mkv"_qs << 0 << a << QByteArray();
        QTest::newRow("missing, folder, no media, then a file")
            << u"nothere.mkv dir text.mkv a.mkv"_qs << 1 << a
            << QByteArray("tolvane-cli probe: nothere.mkv: No such file or directory\n"
                          "tolvane-cli probe: dir: a folder, not a media file\n"
                          "tolvane-cli probe: text.mkv: not a media file\n");
        QTest::newRow("a name that is not UTF-8")
            << u"\"$(printf 'Caf\\351.mkv')\""_qs << 0 << QByteArray("/Caf\xc3\xa9.mkv\n  Probe: mediainfo\n")
            << QByteArray();
        QTest::newRow("no file") << QString() << 2 << QByteArray()
                                 << QByteArray("tolvane-cli probe: expected at least one FILE\n");
    }
    void failuresNamedAndCounted()
    {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, out);
        const Run run = cli(arguments);
        QTEST(run.status, "status");
        QTEST(run.err, "err");
        const QByteArray shown = run.out.mid(QFile::encodeName(m_folder.path()).size(), out.size());
        QVERIFY2(out.isEmpty() ? run.out.isEmpty() : shown == out, run.out.constData());
    }

    // The tools run in groups of their own, out of the terminal's reach: Ctrl-C must end them too.
    void interruptEndsTheTools()
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TOLVANE_TOOL_DIRS"_qs, m_folder.filePath(u"tools"_qs));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TOLVANE_CLI), {u"probe"_qs, m_folder.filePath(u"hang.mkv"_qs)});
        QFile child(m_folder.filePath(u"tools/mediainfo.child"_qs));
        QTRY_VERIFY(child.size() > 0);
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 130);
        QVERIFY(child.open(QIODevice::ReadOnly));
        const QString stat = u"/proc/"_qs + QString::fromLatin1(child.readAll().trimmed()) + u"/stat"_qs;
        const auto gone = [&stat] { // or a zombie left for a parent that does not reap
            QFile file(stat);
            const QByteArray line = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            return line.isEmpty() || line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
        };
        QTRY_VERIFY(gone());
    }
};

QTEST_GUILESS_MAIN(TestProbeCommand)
#include "tst_probecommand.moc"
