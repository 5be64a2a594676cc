#include "media/MediaFormat.h"
#include "media/MediaProbe.h"
#include "media/ToolRunner.h"

#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

using namespace tolvane;

using OptionalBytes = std::optional<QByteArray>;
Q_DECLARE_METATYPE(OptionalBytes)

namespace {

const QString libAV = u"Probe=libavformat (install mediainfo or ffprobe for more)"_qs;
const QByteArray latin1Name = "Caf\xe9.mkv";

/// The report as "error: …|key=value|…".
QString text(const ProbeReport &report)
{
    QStringList lines;
    if (report.error)
        lines.append(u"error: "_qs + *report.error);
    for (const MediaInfoRow &row : report.rows)
        lines.append(row.key + u'=' + row.value);
    return lines.join(u'|');
}

QCoro::Task<QStringList> probeOn(QThread *thread, QByteArray path)
{
    const QList<MediaInfoRow> rows = co_await loadProps(path);
    co_return QThread::currentThread() == thread ? QStringList{rows.value(0).value} : QStringList();
}

bool writeFile(const QString &path, const QByteArray &content, QFile::Permissions permissions = QFile::ReadOwner)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.setPermissions(permissions);
}

/// Alive and not a zombie left for a parent that does not reap.
bool alive(const QByteArray &pid)
{
    QFile stat(u"/proc/"_qs + QString::fromLatin1(pid.trimmed()) + u"/stat"_qs);
    if (pid.trimmed().isEmpty() || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) != "Z";
}

} // namespace

class TestMediaProbe : public QObject {
    Q_OBJECT

    QTemporaryDir m_clips;
    QTemporaryDir m_tools;
    QString m_ffmpeg = QStandardPaths::findExecutable(u"ffmpeg"_qs);
    QString m_mediainfo = QStandardPaths::findExecutable(u"mediainfo"_qs);
    QString m_ffprobe = QStandardPaths::findExecutable(u"ffprobe"_qs);
    const bool m_toolsMissing = m_ffmpeg.isEmpty() || m_mediainfo.isEmpty() || m_ffprobe.isEmpty();
    QTcpServer m_server;

    QByteArray clip(const QByteArray &name) const { return QFile::encodeName(m_clips.path()) + '/' + name; }
    QString tools(const QString &set) const { return m_tools.filePath(set); }
    void useTools(const QString &set) { qputenv("TOLVANE_TOOL_DIRS", QFile::encodeName(tools(set))); }

    bool ffmpeg(const QString &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(m_clips.path());
        process.start(m_ffmpeg, QStringList{u"-v"_qs, u"error"_qs, u"-y"_qs} + arguments.split(u' '));
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }

    // One second of video with two tagged audio tracks; the other clips are made from it.
    bool makeClips()
    {
        return ffmpeg(u"-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 -map 0 "
                      u"-map 1 -map 1 -c:v mpeg4 -c:a aac -metadata:s:a:0 language=eng -metadata:s:a:1 language=rus "
                      u"two.mkv"_qs)
            && ffmpeg(u"-i two.mkv -map 0:v -c copy -metadata:s:v:0 rotate=90 rotated.mp4"_qs)
            && ffmpeg(u"-i two.mkv -map 0:a:0 -map 0:v -frames:v 1 -c:a copy -c:v png -disposition:v:0 attached_pic "
                      u"audio.m4a"_qs)
            && ::link(clip("two.mkv").constData(), clip(latin1Name).constData()) == 0
            // A playlist posing as a video, naming an address the tools must not fetch.
            && writeFile(m_clips.filePath(u"playlist.mkv"_qs),
                "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nhttp://127.0.0.1:"
                    + QByteArray::number(m_server.serverPort()) + "/x.ts\n#EXT-X-ENDLIST\n");
    }

    /// A shell script in the set's folder; an empty script links the real tool of that name.
    bool addTool(const QString &set, const QString &name, const QByteArray &script = {})
    {
        const QString path = tools(set) + u'/' + name;
        if (!QDir().mkpath(tools(set)))
            return false;
        if (!script.isEmpty())
            return writeFile(path, "#!/bin/sh\n" + script, QFile::ReadOwner | QFile::ExeOwner);
        const QString real = name == u"mediainfo"_qs ? m_mediainfo : m_ffprobe;
        return real.isEmpty() || QFile::link(real, path);
    }

    bool makeToolSets()
    {
        const QByteArray tracks = "awk -v n=%1 'BEGIN { printf \"{\\\"media\\\": {\\\"track\\\": [\"; "
                                  "for (i = 0; i < n; i++) printf \"{\\\"@type\\\": \\\"Audio\\\", "
                                  "\\\"Format\\\": \\\"AAC\\\"},\"; print \"{}]}}\" }'\n";
        return addTool(u"both"_qs, u"mediainfo"_qs) && addTool(u"both"_qs, u"ffprobe"_qs)
            && addTool(u"ffprobe"_qs, u"ffprobe"_qs)
            && addTool(u"failing"_qs, u"ffprobe"_qs)
            // Prints usable JSON: only its exit status tells that it failed.
            && addTool(u"failing"_qs, u"mediainfo"_qs, "echo '{\"media\": {}}'\nexit 1\n")
            && QDir().mkpath(tools(u"none"_qs)) && QDir().mkpath(tools(u"folder/mediainfo"_qs))
            && writeFile(tools(u"folder/plain"_qs), "")
            && addTool(u"endless"_qs, u"mediainfo"_qs, "yes '{\"media\": {}}'\n")
            && addTool(u"endless"_qs, u"ffprobe"_qs, "echo '{}'\n")
            && addTool(u"huge"_qs, u"mediainfo"_qs, QByteArray(tracks).replace("%1", "1500000"))
            && addTool(u"huge"_qs, u"ffprobe"_qs, "echo '{}'\n")
            && addTool(u"many"_qs, u"mediainfo"_qs, QByteArray(tracks).replace("%1", "20000"))
            && addTool(u"noting"_qs, u"mediainfo"_qs, "touch \"$0.ran\"\necho '{\"media\": {}}'\n")
            // Notes how many copies run at once.
            && addTool(u"counting"_qs, u"mediainfo"_qs,
                "touch \"$0.run.$$\"\nls \"$0\".run.* | wc -l >> \"$0.counts\"\nsleep 0.2\nrm \"$0.run.$$\"\n"
                "echo '{\"media\": {}}'\n");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_clips.isValid() && m_tools.isValid() && makeToolSets() && m_server.listen(QHostAddress::LocalHost));
        QVERIFY(writeFile(m_clips.filePath(u"notmedia.mkv"_qs), "hello\n") && QDir::setCurrent(m_tools.path()));
        QVERIFY2(m_toolsMissing || makeClips(), "ffmpeg could not make the test clips");
    }

    void cleanup() { qunsetenv("TOLVANE_TOOL_DIRS"); }
    // QDir cannot remove a name that is not UTF-8.
    void cleanupTestCase() { ::unlink(clip(latin1Name).constData()); }

    // Each source with real clips, by the exact bytes of their names; no probe reaches the network.
    void realTools_data()
    {
        QTest::addColumn<QString>("toolSet");
        QTest::addColumn<QByteArray>("clip");
        QTest::addColumn<QString>("expected"); // "=*" stands for any value
        const QString ffprobeTwo = u"Probe=ffprobe|File size=*|Container=Matroska / WebM|Duration=0:01|"
                                   u"Overall bitrate=*|Resolution=160\u00D7120|Frame rate=25 fps|"
                                   u"Video codec=mpeg4 (Simple Profile)|Pixel format=yuv420p|Audio tracks=2|"
                                   u"Audio codec=aac|Sample rate=44100 Hz|Channels=1|Audio language=eng|"
                                   u"Audio list=#1 aac (eng), #2 aac (rus)"_qs;
        const QString libAVTwo = libAV
            + u"|File size=*|Container=MKV|Duration=0:01|Resolution=160\u00D7120|Frame rate=25 fps|"
              u"Video codec=mpeg4|Audio tracks=2|Audio codec=aac|Sample rate=44100 Hz|Channels=1"_qs;
        const QString notMedia = u"error: not a media file|"_qs + libAV
            + u"|File size=*|Container=MKV|Video=\u2014|"
              u"Audio tracks=0"_qs;
        QTest::newRow("mediainfo, no media")
            << u"both"_qs << QByteArray("notmedia.mkv")
            << u"error: not a media file|Probe=mediainfo|File size=*|Container=MKV|Video=\u2014|Audio tracks=0"_qs;
        QTest::newRow("mediainfo, playlist")
            << u"both"_qs << QByteArray("playlist.mkv")
            << u"Probe=mediainfo|File size=*|Container=HLS|Video=\u2014|Audio tracks=0"_qs;
        QTest::newRow("mediainfo exiting 1") << u"failing"_qs << QByteArray("two.mkv") << ffprobeTwo;
        QTest::newRow("ffprobe failing on a playlist") << u"ffprobe"_qs << QByteArray("playlist.mkv") << notMedia;
        QTest::newRow("libavformat") << u"none"_qs << QByteArray("two.mkv") << libAVTwo;
        QTest::newRow("libavformat, turned upright") << u"none"_qs << QByteArray("rotated.mp4")
                                                     << libAV
                + u"|File size=*|Container=MP4|Duration=0:01|Resolution=120\u00D7160|Frame rate=25 fps|"
                  u"Video bitrate=*|Video codec=mp4v|Audio tracks=0"_qs;
        QTest::newRow("libavformat, audio with cover art") << u"none"_qs << QByteArray("audio.m4a")
                                                           << libAV
                + u"|File size=*|Container=M4A|Duration=0:01|Video=\u2014|Audio tracks=1|Audio bitrate=*|"
                  u"Audio codec=mp4a|Sample rate=44100 Hz|Channels=1"_qs;
    }
    void realTools()
    {
        QFETCH(QString, toolSet);
        QFETCH(QByteArray, clip);
        QFETCH(QString, expected);
        if (m_toolsMissing)
            QSKIP("ffmpeg, ffprobe or mediainfo is not installed (Debian packages ffmpeg, mediainfo).");
        useTools(toolSet);
        // two.mkv is also probed by a name that is not UTF-8 (a hard link to it).
        for (const QByteArray &name : clip == "two.mkv" ? QByteArrayList{clip, latin1Name} : QByteArrayList{clip}) {
            const QString got = text(probeFile(this->clip(name)));
            const QString pattern = QRegularExpression::escape(expected).replace(u"\\=\\*"_qs, u"=[^|]*"_qs);
            QVERIFY2(QRegularExpression(u'^' + pattern + u'$').match(got).hasMatch(), qPrintable(got));
            struct stat status { };
            QVERIFY(::stat(this->clip(name).constData(), &status) == 0
                && got.contains(u"File size="_qs + formatFileSize(status.st_size)));
        }
        QVERIFY(!m_server.hasPendingConnections() && !m_server.waitForNewConnection(0));
    }

    // What no media tool may be shown: refused before anything opens it, and at once.
    void refusedAtOnce_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("expected");
        const QString bare = u"|"_qs + libAV + u"|Container=MKV|Video=\u2014|Audio tracks=0"_qs;
        QTest::newRow("missing") << QByteArray("missing.mkv") << u"error: No such file or directory"_qs + bare;
        QTest::newRow("folder") << QByteArray("folder.mkv") << u"error: a folder, not a media file"_qs + bare;
        QTest::newRow("FIFO") << QByteArray("fifo.mkv") << u"error: not a regular file"_qs + bare;
        QTest::newRow("link to a FIFO") << QByteArray("fifolink.mkv") << u"error: not a regular file"_qs + bare;
    }
    void refusedAtOnce()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, expected);
        QDir().mkpath(QFile::decodeName(clip("folder.mkv")));
        ::mkfifo(clip("fifo.mkv").constData(), 0600);
        QFile::link(QFile::decodeName(clip("fifo.mkv")), QFile::decodeName(clip("fifolink.mkv")));
        useTools(u"noting"_qs);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(text(probeFile(clip(name))), expected);
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(!QFile::exists(tools(u"noting/mediainfo.ran"_qs)));
    }

    // Tools that print too much: cut off and passed over, or a summary of bounded length.
    void hostileTools_data()
    {
        QTest::addColumn<QString>("toolSet");
        QTest::addColumn<QString>("expected");
        QTest::newRow("endless output") << u"endless"_qs << u"Probe=ffprobe|File size=6 bytes|Container=MKV"_qs;
        QTest::newRow("1.5 million audio tracks") << u"huge"_qs << u"Probe=ffprobe|File size=6 bytes|Container=MKV"_qs;
        QTest::newRow("20 000 audio tracks") << u"many"_qs << u"Probe=mediainfo|File size=6 bytes|Container=MKV"_qs;
    }
    void hostileTools()
    {
        QFETCH(QString, toolSet);
        QFETCH(QString, expected);
        useTools(toolSet);
        QElapsedTimer timer;
        timer.start();
        const ProbeReport report = probeFile(clip("notmedia.mkv"));
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY2(text(report).startsWith(expected), qPrintable(text(report).left(300)));
        for (const MediaInfoRow &row : report.rows)
            QVERIFY2(row.value.size() <= 1000, qPrintable(row.key));
        if (toolSet == u"many"_qs) {
            QVERIFY(text(report).contains(u"|Audio tracks=20000|"_qs));
            QVERIFY(report.rows.constLast().value.startsWith(u"#1 AAC, #2 AAC, "_qs));
            QVERIFY(report.rows.constLast().value.endsWith(u'\u2026'));
        }
    }

    // More probes than the pool has threads never run more tools at once than that, starting them does
    // not wait for them, and each resumes on the thread that awaits it.
    void probesAreBoundedByThePool()
    {
        const int threads = probePool().maxThreadCount();
        useTools(u"counting"_qs);
        QElapsedTimer timer;
        timer.start();
        std::vector<QCoro::Task<QStringList>> running;
        for (int index = 0; index < threads + 2; ++index)
            running.push_back(probeOn(QThread::currentThread(), clip("notmedia.mkv")));
        QVERIFY(timer.elapsed() < 150);
        for (QCoro::Task<QStringList> &task : running)
            QCOMPARE(QCoro::waitFor(std::move(task)).value(0), u"mediainfo"_qs);
        QFile counts(tools(u"counting/mediainfo.counts"_qs));
        QVERIFY(counts.open(QIODevice::ReadOnly));
        const QList<QByteArray> seen = counts.readAll().simplified().split(' ');
        int most = 0;
        for (const QByteArray &count : seen)
            most = std::max(most, count.toInt());
        QCOMPARE(seen.size(), threads + 2);
        QVERIFY2(most >= 2 && most <= threads, seen.join(' '));
    }

    void runTool_data()
    {
        QTest::addColumn<QString>("script"); // null: run a file that is not executable
        QTest::addColumn<int>("timeout");
        QTest::addColumn<OptionalBytes>("expected");
        const auto row = [](const char *name, const QString &script, OptionalBytes expected, int timeout = 20000) {
            QTest::newRow(name) << script << timeout << expected;
        };
        row("arguments passed as they are", u"printf '%s|' \"$@\""_qs, "two words|$HOME|");
        row("standard input is empty", u"cat; echo done"_qs, "done\n");
        // Megabytes on either stream must neither stall the child nor be cut short.
        row("much error output", u"head -c 2000000 /dev/zero >&2; echo ok"_qs, "ok\n");
        row("much output", u"head -c 3000000 /dev/zero"_qs, QByteArray(3'000'000, '\0'));
        // Its helper holds the output open; it goes with the tool.
        row("hung tool's helper killed", u"sleep 30 & echo $! > \"$1.child\"; sleep 30"_qs, {}, 300);
        row("helper left behind ended", u"sleep 30 & echo $! > \"$1.child\"; echo ok"_qs, "ok\n");
        row("cannot start", QString(), {});
    }
    void runTool()
    {
        QFETCH(QString, script);
        QFETCH(int, timeout);
        QFETCH(OptionalBytes, expected);
        const QString program = script.isNull() ? tools(u"folder/plain"_qs) : u"/bin/sh"_qs;
        QElapsedTimer timer;
        timer.start();
        const std::optional<QByteArray> output = tolvane::runTool(
            program, {u"-c"_qs, script, u"x"_qs, u"two words"_qs, u"$HOME"_qs}, std::chrono::milliseconds(timeout));
        QCOMPARE(output, expected);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QFile child(u"two words.child"_qs);
        if (child.open(QIODevice::ReadOnly)) {
            const QByteArray pid = child.readAll();
            child.remove();
            QTRY_VERIFY(!alive(pid));
        }
    }

    // TOLVANE_TOOL_DIRS alone is searched; without it, the fixed folders and then `which`.
    void findTool_data()
    {
        QTest::addColumn<QString>("directories");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // the end of the path found; empty: none
        QTest::newRow("first folder holding it")
            << u"none:failing:counting"_qs << u"mediainfo"_qs << u"/failing/mediainfo"_qs;
        QTest::newRow("a plain file and a folder are passed over")
            << u"folder::failing"_qs << u"mediainfo"_qs << u"/failing/mediainfo"_qs;
        QTest::newRow("which is not asked") << u"none"_qs << u"sh"_qs << QString();
        QTest::newRow("which, last") << QString() << u"sh"_qs << u"/sh"_qs;
    }
    void findTool()
    {
        QFETCH(QString, directories);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QStringList folders;
        for (const QString &directory : directories.split(u':'))
            folders.append(directory.isEmpty() ? QString() : tools(directory));
        qputenv("TOLVANE_TOOL_DIRS", QFile::encodeName(folders.join(u':')));
        const QString found
            = tolvane::findTool(name, directories.isNull() ? ToolSearch{{}, true} : ToolSearch::standard())
                  .value_or(QString());
        QVERIFY2(expected.isEmpty() ? found.isNull() : found.startsWith(u'/') && found.endsWith(expected),
            qPrintable(found));
    }
};

QTEST_GUILESS_MAIN(TestMediaProbe)
#include "tst_mediaprobe.moc"
