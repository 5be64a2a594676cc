#include "media/MediaFormat.h"
#include "media/MediaProbe.h"
#include "media/ToolRunner.h"

#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <vector>

using namespace tolvane;

using OptionalBytes = std::optional<QByteArray>;
Q_DECLARE_METATYPE(OptionalBytes)

namespace {

const QString libAV = u"Probe=libavformat (install mediainfo or ffprobe for more)"_qs;

/// The rows of loadProps as "key=value" lines; none unless it resumed on the thread that awaited it.
QCoro::Task<QStringList> probeOn(QThread *thread, QString filePath)
{
    const QList<MediaInfoRow> rows = co_await loadProps(filePath);
    QStringList lines;
    for (const MediaInfoRow &row : rows)
        lines.append(row.key + u'=' + row.value);
    co_return QThread::currentThread() == thread ? lines : QStringList();
}

QStringList probe(const QString &toolDirectory, const QString &filePath)
{
    qputenv("TOLVANE_TOOL_DIRS", QFile::encodeName(toolDirectory));
    return QCoro::waitFor(probeOn(QThread::currentThread(), filePath));
}

bool writeFile(const QString &path, const QByteArray &content, QFile::Permissions permissions)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.setPermissions(permissions);
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

    QString clip(const QString &name) const { return m_clips.filePath(name); }
    QString tools(const QString &set) const { return m_tools.filePath(set); }

    bool ffmpeg(const QString &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(m_clips.path());
        process.start(m_ffmpeg, QStringList{u"-v"_qs, u"error"_qs, u"-y"_qs} + arguments.split(u' '));
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }

    // One second of video with two tagged audio tracks; the other clips are copied out of it.
    bool makeClips()
    {
        return ffmpeg(u"-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 -map 0 "
                      u"-map 1 -map 1 -c:v mpeg4 -c:a aac -metadata:s:a:0 language=eng -metadata:s:a:1 language=rus "
                      u"two.mkv"_qs)
            && ffmpeg(u"-i two.mkv -map 0:v -c copy -metadata:s:v:0 rotate=90 rotated.mp4"_qs)
            // Music with cover art, which is stored as a one-picture video stream.
            && ffmpeg(u"-i two.mkv -map 0:a:0 -map 0:v -frames:v 1 -c:a copy -c:v png -disposition:v:0 attached_pic "
                      u"audio.m4a"_qs)
            && writeFile(clip(u"notmedia.mkv"_qs), "hello\n", QFile::ReadOwner)
            // A playlist posing as a video, naming an address the tools must not fetch.
            && writeFile(clip(u"playlist.mkv"_qs),
                "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nhttp://127.0.0.1:"
                    + QByteArray::number(m_server.serverPort()) + "/x.ts\n#EXT-X-ENDLIST\n",
                QFile::ReadOwner);
    }

    /// A shell script; the real mediainfo, or the real ffprobe noting its arguments beside it.
    bool addTool(const QString &set, const QString &name, QByteArray script = {})
    {
        const QString path = tools(set) + u'/' + name;
        if (name == u"ffprobe"_qs)
            script = "printf '%s\\n' \"$@\" > \"$0.arguments\"\nexec '" + QFile::encodeName(m_ffprobe) + "' \"$@\"\n";
        if (!QDir().mkpath(tools(set)))
            return false;
        if (!script.isEmpty())
            return writeFile(path, "#!/bin/sh\n" + script, QFile::ReadOwner | QFile::ExeOwner);
        return m_mediainfo.isEmpty() || QFile::link(m_mediainfo, path);
    }

    bool makeToolSets()
    {
        // Prints usable JSON: only its exit status tells that it failed.
        const QByteArray failing = "echo '{\"media\": {}}'\nexit 1\n";
        return addTool(u"both"_qs, u"mediainfo"_qs) && addTool(u"both"_qs, u"ffprobe"_qs)
            && addTool(u"ffprobe"_qs, u"ffprobe"_qs) && addTool(u"failing"_qs, u"ffprobe"_qs)
            && addTool(u"failing"_qs, u"mediainfo"_qs, failing) && QDir().mkpath(tools(u"none"_qs))
            && QDir().mkpath(tools(u"folder/mediainfo"_qs)) && QDir().mkpath(tools(u"plain"_qs))
            && writeFile(tools(u"plain/mediainfo"_qs), "", QFile::ReadOwner)
            // Notes how many copies run at once.
            && addTool(u"counting"_qs, u"mediainfo"_qs,
                "touch \"$0.run.$$\"\nls \"$0\".run.* | wc -l >> \"$0.counts\"\nsleep 0.2\nrm \"$0.run.$$\"\n"
                "echo '{\"media\": {}}'\n");
    }

    std::pair<int, QByteArray> cli(const QStringList &arguments, QProcess::ProcessChannel channel)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TOLVANE_TOOL_DIRS"_qs, tools(u"ffprobe"_qs));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_clips.path());
        process.setReadChannel(channel);
        process.start(QStringLiteral(TOLVANE_CLI), arguments);
        process.waitForFinished(30000);
        return {process.exitCode(), process.readAll()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_clips.isValid() && m_tools.isValid() && makeToolSets() && m_server.listen(QHostAddress::LocalHost));
        QVERIFY2(m_toolsMissing || makeClips(), "ffmpeg could not make the test clips");
    }

    void cleanup() { qunsetenv("TOLVANE_TOOL_DIRS"); }

    // loadProps with the tools the folder offers, row by row; no probe reaches the network.
    void loadProps_data()
    {
        QTest::addColumn<QString>("toolSet");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("expected");
        const QString ffprobeTwo = u"Probe=ffprobe|File size=*|Container=Matroska / WebM|Duration=0:01|"
                                   u"Overall bitrate=*|Resolution=160\u00D7120|Frame rate=25 fps|"
                                   u"Video codec=mpeg4 (Simple Profile)|Pixel format=yuv420p|Audio tracks=2|"
                                   u"Audio codec=aac|Sample rate=44100 Hz|Channels=1|Audio language=eng|"
                                   u"Audio list=#1 aac (eng), #2 aac (rus)"_qs;
        const QString libAVNothing = libAV + u"|File size=*|Container=MKV|Video=\u2014|Audio tracks=0"_qs;
        QTest::newRow("mediainfo") << u"both"_qs << u"two.mkv"_qs
                                   << u"Probe=mediainfo|File size=*|Container=Matroska|Duration=0:01|"
                                      u"Overall bitrate=*|Resolution=160\u00D7120|Frame rate=25 fps|"
                                      u"Video codec=MPEG-4 Visual (Simple)|Bit depth=8 bit|Audio tracks=2|"
                                      u"Audio codec=AAC 1ch|Sample rate=44100 Hz|Audio language=en|"
                                      u"Audio list=#1 AAC (en), #2 AAC (ru)"_qs;
        QTest::newRow("mediainfo, playlist")
            << u"both"_qs << u"playlist.mkv"_qs
            << u"Probe=mediainfo|File size=*|Container=HLS|Video=\u2014|Audio tracks=0"_qs;
        QTest::newRow("ffprobe") << u"ffprobe"_qs << u"two.mkv"_qs << ffprobeTwo;
        QTest::newRow("ffprobe failing on no media") << u"ffprobe"_qs << u"notmedia.mkv"_qs << libAVNothing;
        QTest::newRow("ffprobe failing on a playlist") << u"ffprobe"_qs << u"playlist.mkv"_qs << libAVNothing;
        QTest::newRow("mediainfo exiting 1") << u"failing"_qs << u"two.mkv"_qs << ffprobeTwo;
        QTest::newRow("libavformat") << u"none"_qs << u"two.mkv"_qs
                                     << libAV
                + u"|File size=*|Container=MKV|Duration=0:01|Resolution=160\u00D7120|Frame rate=25 fps|"
                  u"Video codec=mpeg4|Audio tracks=2|Audio codec=aac|Sample rate=44100 Hz|Channels=1"_qs;
        QTest::newRow("libavformat, turned upright") << u"none"_qs << u"rotated.mp4"_qs
                                                     << libAV
                + u"|File size=*|Container=MP4|Duration=0:01|Resolution=120\u00D7160|Frame rate=25 fps|"
                  u"Video bitrate=*|Video codec=mp4v|Audio tracks=0"_qs;
        QTest::newRow("libavformat, audio with cover art") << u"none"_qs << u"audio.m4a"_qs
                                                           << libAV
                + u"|File size=*|Container=M4A|Duration=0:01|Video=\u2014|Audio tracks=1|Audio bitrate=*|"
                  u"Audio codec=mp4a|Sample rate=44100 Hz|Channels=1"_qs;
    }
    void loadProps()
    {
        QFETCH(QString, toolSet);
        QFETCH(QString, clip);
        QFETCH(QString, expected);
        if (m_toolsMissing)
            QSKIP("ffmpeg, ffprobe or mediainfo is not installed (Debian packages ffmpeg, mediainfo).");
        const QString path = this->clip(clip);
        const QStringList got = probe(tools(toolSet), path);
        // "=*" stands for any value.
        const QString pattern = QRegularExpression::escape(expected).replace(u"\\=\\*"_qs, u"=[^|]*"_qs);
        QVERIFY2(
            QRegularExpression(u'^' + pattern + u'$').match(got.join(u'|')).hasMatch(), qPrintable(got.join(u'\n')));
        QVERIFY(got.contains(u"File size="_qs + formatFileSize(QFileInfo(path).size())));
        QVERIFY(!m_server.hasPendingConnections() && !m_server.waitForNewConnection(0));
        // ffprobe 5.1 already keeps a local playlist to local files; other builds are told so.
        QFile arguments(tools(toolSet) + u"/ffprobe.arguments"_qs);
        if (arguments.open(QIODevice::ReadOnly)) {
            QVERIFY(arguments.readAll().endsWith("\n-protocol_whitelist\nfile\n" + QFile::encodeName(path) + '\n'));
            QVERIFY(arguments.remove());
        }
    }

    // More probes than the pool has threads never run more tools at once than that, starting them does
    // not wait for them, and each resumes on the thread that awaits it.
    void probesAreBoundedByThePool()
    {
        const int threads = probePool().maxThreadCount();
        QCOMPARE(threads, std::max(QThread::idealThreadCount(), 2));
        qputenv("TOLVANE_TOOL_DIRS", QFile::encodeName(tools(u"counting"_qs)));
        QElapsedTimer timer;
        timer.start();
        std::vector<QCoro::Task<QStringList>> running;
        for (int index = 0; index < threads + 2; ++index)
            running.push_back(probeOn(QThread::currentThread(), clip(u"x.mkv"_qs)));
        QVERIFY(timer.elapsed() < 150);
        for (QCoro::Task<QStringList> &task : running)
            QCOMPARE(QCoro::waitFor(std::move(task)).value(0), u"Probe=mediainfo"_qs);
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
        row("exit status 1", u"echo partial; exit 1"_qs, {});
        // Megabytes on either stream must neither stall the child nor be cut short.
        row("much error output", u"head -c 2000000 /dev/zero >&2; echo ok"_qs, "ok\n");
        row("much output", u"head -c 3000000 /dev/zero"_qs, QByteArray(3'000'000, '\0'));
        row("hung tool killed", u"echo early; sleep 30"_qs, {}, 200);
        row("cannot start", QString(), {});
    }
    void runTool()
    {
        QFETCH(QString, script);
        QFETCH(int, timeout);
        QFETCH(OptionalBytes, expected);
        const QString program = script.isNull() ? tools(u"plain/mediainfo"_qs) : u"/bin/sh"_qs;
        const QStringList arguments{u"-c"_qs, script, u"x"_qs, u"two words"_qs, u"$HOME"_qs};
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(tolvane::runTool(program, arguments, std::chrono::milliseconds(timeout)), expected);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    }

    // TOLVANE_TOOL_DIRS (in the tools folder) alone is searched; without it, the fixed folders and then
    // `which`, here alone.
    void findTool_data()
    {
        QTest::addColumn<QString>("directories");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // the end of the path found; empty: none
        QTest::newRow("first folder holding it")
            << u"none:failing:counting"_qs << u"mediainfo"_qs << u"/failing/mediainfo"_qs;
        QTest::newRow("a plain file and a folder are passed over")
            << u"plain::folder:failing"_qs << u"mediainfo"_qs << u"/failing/mediainfo"_qs;
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
        qunsetenv("TOLVANE_TOOL_DIRS");
        QCOMPARE(ToolSearch::standard().directories.join(u':'),
            u"/opt/homebrew/bin:/usr/local/bin:/opt/local/bin:/usr/bin:/bin"_qs);
        QVERIFY(ToolSearch::standard().askWhich);
    }

    void cliProbesInArgumentOrder()
    {
        if (m_toolsMissing)
            QSKIP("ffmpeg, ffprobe or mediainfo is not installed (Debian packages ffmpeg, mediainfo).");
        const auto [status, json]
            = cli({u"probe"_qs, u"--json"_qs, u"two.mkv"_qs, u"missing.mkv"_qs, clip(u"audio.m4a"_qs)},
                QProcess::StandardOutput);
        QCOMPARE(status, 0);
        QStringList probed;
        for (const QJsonValue item : QJsonDocument::fromJson(json).object().value(u"items"_qs).toArray()) {
            const QJsonObject first = item[u"mediaInfo"_qs].toArray().first().toObject();
            probed.append(item[u"path"_qs].toString() + u' ' + first[u"key"_qs].toString() + u'='
                + first[u"value"_qs].toString());
        }
        QCOMPARE(probed,
            (QStringList{clip(u"two.mkv"_qs) + u" Probe=ffprobe"_qs, clip(u"missing.mkv"_qs) + u' ' + libAV,
                clip(u"audio.m4a"_qs) + u" Probe=ffprobe"_qs}));

        const QStringList text
            = QString::fromUtf8(cli({u"probe"_qs, u"missing.mkv"_qs}, QProcess::StandardOutput).second).split(u'\n');
        QCOMPARE(text.mid(0, 5),
            (QStringList{clip(u"missing.mkv"_qs), u"  Probe: "_qs + libAV.mid(6), u"  Container: MKV"_qs,
                u"  Video: \u2014"_qs, u"  Audio tracks: 0"_qs}));

        QCOMPARE(cli({u"probe"_qs}, QProcess::StandardError),
            std::pair(2, QByteArray("tolvane-cli probe: expected at least one FILE\n")));
        QCOMPARE(cli({u"probe"_qs, u"--fast"_qs, u"a.mkv"_qs}, QProcess::StandardError),
            std::pair(2, QByteArray("tolvane-cli probe: Unknown option 'fast'.\n")));
    }
};

QTEST_GUILESS_MAIN(TestMediaProbe)
#include "tst_mediaprobe.moc"