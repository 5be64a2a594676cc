#include "SummaryLines.h"

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
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <vector>

using namespace tolvane;
using namespace std::chrono_literals;

using OptionalBytes = std::optional<QByteArray>;
Q_DECLARE_METATYPE(OptionalBytes)

namespace {

const QString libAVProbe = u"Probe: libavformat (install mediainfo or ffprobe for more)"_qs;

/// Whether `wanted` appears in `lines` in this order, other lines allowed in between.
bool containsInOrder(const QStringList &lines, const QStringList &wanted)
{
    qsizetype at = 0;
    for (const QString &line : wanted) {
        at = lines.indexOf(line, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

/// Points the tool search at one folder for the life of the object.
class ToolDirectory {
public:
    explicit ToolDirectory(const QString &path) { qputenv("TOLVANE_TOOL_DIRS", QFile::encodeName(path)); }
    ~ToolDirectory() { qunsetenv("TOLVANE_TOOL_DIRS"); }
    ToolDirectory(const ToolDirectory &) = delete;
    ToolDirectory &operator=(const ToolDirectory &) = delete;
};

QList<MediaInfoRow> probe(const QString &filePath)
{
    return QCoro::waitFor(loadProps(filePath));
}

QCoro::Task<bool> resumesOn(QThread *thread, QString filePath)
{
    const QList<MediaInfoRow> rows = co_await loadProps(filePath);
    co_return !rows.isEmpty() && QThread::currentThread() == thread;
}

bool writeScript(const QString &path, const QByteArray &body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n" + body);
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class TestMediaProbe : public QObject {
    Q_OBJECT

    QTemporaryDir m_clips;
    QTemporaryDir m_tools;
    QString m_ffmpeg;
    QString m_mediainfo;
    QString m_ffprobe;
    bool m_clipsMade = false;

    QString clip(const QString &name) const { return m_clips.filePath(name); }
    QString tools(const QString &set) const { return m_tools.filePath(set); }

    bool ffmpeg(QStringList arguments)
    {
        QProcess process;
        process.setWorkingDirectory(m_clips.path());
        process.start(m_ffmpeg, QStringList{u"-v"_qs, u"error"_qs, u"-y"_qs} + arguments);
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }

    bool makeClips()
    {
        const QStringList video{u"-f"_qs, u"lavfi"_qs, u"-i"_qs, u"testsrc=size=160x120:rate=25:duration=1"_qs};
        const QStringList tone{u"-f"_qs, u"lavfi"_qs, u"-i"_qs, u"sine=duration=1"_qs};
        const QStringList codecs{u"-c:v"_qs, u"mpeg4"_qs, u"-c:a"_qs, u"aac"_qs};
        QFile notMedia(clip(u"notmedia.mkv"_qs));
        return ffmpeg(video + tone + codecs + QStringList{u"both.mkv"_qs})
            && ffmpeg(video + tone + codecs + QStringList{u"clip.mp4"_qs})
            && ffmpeg(QStringList{u"-i"_qs, u"clip.mp4"_qs, u"-c"_qs, u"copy"_qs, u"-metadata:s:v:0"_qs,
                u"rotate=90"_qs, u"rotated.mp4"_qs})
            && ffmpeg(tone + QStringList{u"-c:a"_qs, u"aac"_qs, u"audio.mka"_qs})
            && ffmpeg(video + tone
                + QStringList{u"-f"_qs, u"lavfi"_qs, u"-i"_qs, u"sine=frequency=880:duration=1"_qs, u"-map"_qs, u"0"_qs,
                    u"-map"_qs, u"1"_qs, u"-map"_qs, u"2"_qs}
                + codecs
                + QStringList{u"-metadata:s:a:0"_qs, u"language=eng"_qs, u"-metadata:s:a:1"_qs, u"language=rus"_qs,
                    u"two.mkv"_qs})
            && notMedia.open(QIODevice::WriteOnly) && notMedia.write("hello\n") == 6;
    }

    // Tool sets: each folder holds links to the real tools it offers, or fake tools.
    bool makeToolSets()
    {
        const auto link = [this](const QString &tool, const QString &set) {
            return tool.isEmpty() || QFile::link(tool, tools(set) + QLatin1Char('/') + QFileInfo(tool).fileName());
        };
        for (const QString &set : {u"both"_qs, u"ffprobe"_qs, u"none"_qs, u"failing"_qs, u"failing-only"_qs,
                 u"garbage"_qs, u"counting"_qs, u"plain"_qs}) {
            if (!QDir().mkpath(tools(set)))
                return false;
        }
        // A plain file and a folder named like the tool, neither of which can run.
        QFile plain(tools(u"plain/mediainfo"_qs));
        if (!plain.open(QIODevice::WriteOnly) || !QDir().mkpath(tools(u"folder/mediainfo"_qs)))
            return false;
        return link(m_mediainfo, u"both"_qs) && link(m_ffprobe, u"both"_qs) && link(m_ffprobe, u"ffprobe"_qs)
            && link(m_ffprobe, u"failing"_qs) && link(m_ffprobe, u"garbage"_qs)
            && writeScript(tools(u"failing/mediainfo"_qs), "exit 1\n")
            && writeScript(tools(u"failing-only/mediainfo"_qs), "exit 1\n")
            && writeScript(tools(u"garbage/mediainfo"_qs), "echo 'General: not JSON'\n")
            // Counts the probes running at once, in a file beside it.
            && writeScript(tools(u"counting/mediainfo"_qs),
                "here=$(dirname \"$0\")\n"
                "touch \"$here/running.$$\"\n"
                "ls \"$here\" | grep -c '^running\\.' >> \"$here/counts\"\n"
                "sleep 0.3\n"
                "rm -f \"$here/running.$$\"\n"
                "echo '{\"media\": {\"track\": []}}'\n");
    }

    void requireClips()
    {
        if (m_ffmpeg.isEmpty())
            QSKIP("ffmpeg is not installed (Debian package ffmpeg); the probe tests need it to make clips.");
        QVERIFY2(m_clipsMade, "ffmpeg could not make the test clips");
    }

    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    Run cli(const QStringList &arguments, const QString &toolSet)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TOLVANE_TOOL_DIRS"_qs, tools(toolSet));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_clips.path());
        process.start(QStringLiteral(TOLVANE_CLI), arguments);
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_clips.isValid() && m_tools.isValid());
        m_ffmpeg = QStandardPaths::findExecutable(u"ffmpeg"_qs);
        m_mediainfo = QStandardPaths::findExecutable(u"mediainfo"_qs);
        m_ffprobe = QStandardPaths::findExecutable(u"ffprobe"_qs);
        QVERIFY(makeToolSets());
        m_clipsMade = !m_ffmpeg.isEmpty() && makeClips();
    }

    void cleanup() { qunsetenv("TOLVANE_TOOL_DIRS"); }

    // The whole road of loadProps, with the tools the folder offers: `expected` lines in this order,
    // none of the `absent` keys.
    void loadProps_data()
    {
        QTest::addColumn<QString>("toolSet");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("absent");

        QTest::newRow("mediainfo: video and audio")
            << u"both"_qs << u"both.mkv"_qs
            << QStringList{u"Probe: mediainfo"_qs, u"Container: Matroska"_qs, u"Duration: 0:01"_qs,
                   u"Resolution: 160\u00D7120"_qs, u"Frame rate: 25 fps"_qs, u"Video codec: MPEG-4 Visual (Simple)"_qs,
                   u"Audio tracks: 1"_qs, u"Audio codec: AAC 1ch"_qs, u"Sample rate: 44100 Hz"_qs}
            << QStringList{u"Video"_qs, u"Audio list"_qs};
        QTest::newRow("mediainfo: two audio tracks")
            << u"both"_qs << u"two.mkv"_qs
            << QStringList{u"Probe: mediainfo"_qs, u"Audio tracks: 2"_qs, u"Audio language: en"_qs,
                   u"Audio list: #1 AAC (en), #2 AAC (ru)"_qs}
            << QStringList();
        QTest::newRow("mediainfo: audio only") << u"both"_qs << u"audio.mka"_qs
                                               << QStringList{u"Probe: mediainfo"_qs, u"Video: \u2014"_qs,
                                                      u"Audio tracks: 1"_qs, u"Audio codec: AAC 1ch"_qs}
                                               << QStringList{u"Resolution"_qs, u"Video codec"_qs};
        QTest::newRow("mediainfo: not media") << u"both"_qs << u"notmedia.mkv"_qs
                                              << QStringList{u"Probe: mediainfo"_qs, u"File size: 6 bytes"_qs,
                                                     u"Container: MKV"_qs, u"Video: \u2014"_qs, u"Audio tracks: 0"_qs}
                                              << QStringList{u"Duration"_qs};
        QTest::newRow("mediainfo: missing file")
            << u"both"_qs << u"missing.mkv"_qs
            << QStringList{libAVProbe, u"Container: MKV"_qs, u"Video: \u2014"_qs, u"Audio tracks: 0"_qs}
            << QStringList{u"File size"_qs};

        QTest::newRow("ffprobe: video and audio")
            << u"ffprobe"_qs << u"both.mkv"_qs
            << QStringList{u"Probe: ffprobe"_qs, u"Container: Matroska / WebM"_qs, u"Duration: 0:01"_qs,
                   u"Resolution: 160\u00D7120"_qs, u"Frame rate: 25 fps"_qs, u"Video codec: mpeg4 (Simple Profile)"_qs,
                   u"Pixel format: yuv420p"_qs, u"Audio tracks: 1"_qs, u"Audio codec: aac"_qs,
                   u"Sample rate: 44100 Hz"_qs, u"Channels: 1"_qs}
            << QStringList{u"Bit depth"_qs};
        QTest::newRow("ffprobe: two audio tracks")
            << u"ffprobe"_qs << u"two.mkv"_qs
            << QStringList{u"Probe: ffprobe"_qs, u"Audio tracks: 2"_qs, u"Audio language: eng"_qs,
                   u"Audio list: #1 aac (eng), #2 aac (rus)"_qs}
            << QStringList();
        QTest::newRow("ffprobe: not media falls through")
            << u"ffprobe"_qs << u"notmedia.mkv"_qs
            << QStringList{libAVProbe, u"File size: 6 bytes"_qs, u"Container: MKV"_qs, u"Video: \u2014"_qs,
                   u"Audio tracks: 0"_qs}
            << QStringList();

        QTest::newRow("mediainfo exiting 1 falls back to ffprobe")
            << u"failing"_qs << u"both.mkv"_qs << QStringList{u"Probe: ffprobe"_qs} << QStringList();
        QTest::newRow("mediainfo printing no JSON falls back to ffprobe")
            << u"garbage"_qs << u"both.mkv"_qs << QStringList{u"Probe: ffprobe"_qs} << QStringList();
        QTest::newRow("mediainfo exiting 1, no ffprobe")
            << u"failing-only"_qs << u"both.mkv"_qs << QStringList{libAVProbe} << QStringList();

        QTest::newRow("libavformat: video and audio")
            << u"none"_qs << u"both.mkv"_qs
            << QStringList{libAVProbe, u"Container: MKV"_qs, u"Duration: 0:01"_qs, u"Resolution: 160\u00D7120"_qs,
                   u"Frame rate: 25 fps"_qs, u"Video codec: mpeg4"_qs, u"Audio tracks: 1"_qs, u"Audio codec: aac"_qs,
                   u"Sample rate: 44100 Hz"_qs, u"Channels: 1"_qs}
            << QStringList{u"Overall bitrate"_qs, u"Pixel format"_qs, u"Video"_qs};
        QTest::newRow("libavformat: mp4 tags")
            << u"none"_qs << u"clip.mp4"_qs
            << QStringList{libAVProbe, u"Container: MP4"_qs, u"Video codec: mp4v"_qs, u"Audio codec: mp4a"_qs}
            << QStringList{u"Overall bitrate"_qs};
        QTest::newRow("libavformat: turned upright")
            << u"none"_qs << u"rotated.mp4"_qs << QStringList{libAVProbe, u"Resolution: 120\u00D7160"_qs}
            << QStringList();
        QTest::newRow("libavformat: audio only")
            << u"none"_qs << u"audio.mka"_qs
            << QStringList{libAVProbe, u"Container: MKA"_qs, u"Video: \u2014"_qs, u"Audio tracks: 1"_qs}
            << QStringList{u"Resolution"_qs};
        QTest::newRow("libavformat: two audio tracks")
            << u"none"_qs << u"two.mkv"_qs << QStringList{libAVProbe, u"Audio tracks: 2"_qs} << QStringList();
        QTest::newRow("libavformat: not media") << u"none"_qs << u"notmedia.mkv"_qs
                                                << QStringList{libAVProbe, u"File size: 6 bytes"_qs,
                                                       u"Container: MKV"_qs, u"Video: \u2014"_qs, u"Audio tracks: 0"_qs}
                                                << QStringList{u"Duration"_qs};
        QTest::newRow("libavformat: a folder")
            << u"none"_qs << QString() << QStringList{libAVProbe, u"Video: \u2014"_qs, u"Audio tracks: 0"_qs}
            << QStringList{u"File size"_qs};
    }
    void loadProps()
    {
        QFETCH(QString, toolSet);
        QFETCH(QString, clip);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, absent);
        requireClips();
        if ((toolSet == u"both"_qs && m_mediainfo.isEmpty()) || (toolSet != u"none"_qs && m_ffprobe.isEmpty()))
            QSKIP("mediainfo or ffprobe is not installed (Debian packages mediainfo, ffmpeg).");

        const QString path = clip.isEmpty() ? m_clips.path() : this->clip(clip);
        const ToolDirectory directory(tools(toolSet));
        const QList<MediaInfoRow> rows = probe(path);
        const QStringList got = summaryLines(rows);
        QVERIFY2(containsInOrder(got, expected), qPrintable(got.join(u'\n')));
        QVERIFY2(inSummaryOrder(rows), qPrintable(got.join(u'\n')));
        for (const MediaInfoRow &row : rows)
            QVERIFY2(!absent.contains(row.key), qPrintable(row.key));
        // Every source agrees with the file system about the size.
        const QFileInfo file(path);
        if (file.isFile())
            QVERIFY(got.contains(u"File size: "_qs + formatFileSize(file.size())));
    }

    void loadPropsResumesOnTheCallingThread()
    {
        requireClips();
        const ToolDirectory directory(tools(u"none"_qs));
        QVERIFY(QCoro::waitFor(resumesOn(QThread::currentThread(), clip(u"both.mkv"_qs))));
    }

    // Many probes at once never run more tools at once than the pool has threads, and starting them
    // does not wait for them.
    void probesAreBoundedByThePool()
    {
        QThreadPool &pool = probePool();
        QVERIFY(pool.maxThreadCount() >= 2);
        QCOMPARE(pool.maxThreadCount(), std::max(QThread::idealThreadCount(), 2));

        const ToolDirectory directory(tools(u"counting"_qs));
        const int count = pool.maxThreadCount() + 2;
        QElapsedTimer timer;
        timer.start();
        std::vector<QCoro::Task<QList<MediaInfoRow>>> running;
        for (int index = 0; index < count; ++index)
            running.push_back(tolvane::loadProps(m_clips.filePath(u"x.mkv"_qs)));
        QVERIFY(timer.elapsed() < 250);
        for (QCoro::Task<QList<MediaInfoRow>> &task : running)
            QCOMPARE(QCoro::waitFor(std::move(task)).constFirst().value, u"mediainfo"_qs);

        QFile counts(tools(u"counting/counts"_qs));
        QVERIFY(counts.open(QIODevice::ReadOnly));
        const QList<QByteArray> seen = counts.readAll().split('\n');
        int most = 0;
        for (const QByteArray &line : seen)
            most = std::max(most, line.trimmed().toInt());
        QVERIFY2(most <= pool.maxThreadCount(), qPrintable(QString::number(most)));
        QVERIFY2(most >= 2, "the probes did not run side by side");
    }

    void runTool_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<OptionalBytes>("expected");
        const QString sh = u"/bin/sh"_qs;
        QTest::newRow("standard output") << sh << QStringList{u"-c"_qs, u"printf 'a b'; printf c >&2"_qs}
                                         << OptionalBytes("a b");
        QTest::newRow("arguments passed as they are")
            << sh << QStringList{u"-c"_qs, u"printf '%s|' \"$@\""_qs, u"x"_qs, u"two words"_qs, u"$HOME"_qs, u"*"_qs}
            << OptionalBytes("two words|$HOME|*|");
        QTest::newRow("empty output") << sh << QStringList{u"-c"_qs, u"true"_qs} << OptionalBytes("");
        QTest::newRow("standard input is empty")
            << sh << QStringList{u"-c"_qs, u"cat; echo done"_qs} << OptionalBytes("done\n");
        QTest::newRow("exit status 1") << sh << QStringList{u"-c"_qs, u"echo partial; exit 1"_qs} << OptionalBytes();
        QTest::newRow("killed") << sh << QStringList{u"-c"_qs, u"kill -9 $$"_qs} << OptionalBytes();
        QTest::newRow("cannot start") << m_tools.filePath(u"no-such-tool"_qs) << QStringList() << OptionalBytes();
        QTest::newRow("not executable") << tools(u"plain/mediainfo"_qs) << QStringList() << OptionalBytes();
        // Two megabytes on standard error would fill an undrained pipe and stall the child.
        QTest::newRow("much error output")
            << sh << QStringList{u"-c"_qs, u"head -c 2000000 /dev/zero >&2; echo ok"_qs} << OptionalBytes("ok\n");
    }
    void runTool()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(OptionalBytes, expected);
        QCOMPARE(tolvane::runTool(program, arguments, 20s), expected);
    }

    void runToolReadsLargeOutputWhole()
    {
        const std::optional<QByteArray> output
            = tolvane::runTool(u"/bin/sh"_qs, {u"-c"_qs, u"head -c 3000000 /dev/zero"_qs}, 20s);
        QVERIFY(output);
        QCOMPARE(output->size(), 3'000'000);
    }

    void runToolKillsAHungTool()
    {
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(tolvane::runTool(u"/bin/sh"_qs, {u"-c"_qs, u"echo early; sleep 30"_qs}, 300ms), OptionalBytes());
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    }

    void findTool_data()
    {
        QTest::addColumn<QStringList>("directories");
        QTest::addColumn<QString>("expected"); // relative to the tools folder; empty: none
        QTest::newRow("first folder holding it")
            << QStringList{u"none"_qs, u"failing"_qs, u"failing-only"_qs} << u"failing/mediainfo"_qs;
        QTest::newRow("a plain file is passed over")
            << QStringList{u"plain"_qs, u"failing-only"_qs} << u"failing-only/mediainfo"_qs;
        QTest::newRow("a folder of that name is passed over")
            << QStringList{u"folder"_qs, u"failing-only"_qs} << u"failing-only/mediainfo"_qs;
        QTest::newRow("nowhere") << QStringList{u"none"_qs, u"plain"_qs, u"folder"_qs} << QString();
    }
    void findTool()
    {
        QFETCH(QStringList, directories);
        QFETCH(QString, expected);
        ToolSearch search;
        for (const QString &directory : directories)
            search.directories.append(tools(directory));
        search.askWhich = false;
        const std::optional<QString> found = tolvane::findTool(u"mediainfo"_qs, search);
        QCOMPARE(found, expected.isEmpty() ? std::optional<QString>() : std::optional(tools(expected)));
    }

    void findToolAsksWhichLast()
    {
        const std::optional<QString> found = tolvane::findTool(u"sh"_qs, ToolSearch{{}, true});
        QVERIFY(found);
        QVERIFY2(found->startsWith(u'/') && found->endsWith(u"/sh"_qs), qPrintable(*found));
        QCOMPARE(tolvane::findTool(u"no-such-tool-anywhere"_qs, ToolSearch{{}, true}), std::optional<QString>());
    }

    void standardSearchHonoursToolDirs()
    {
        const ToolSearch fixed = ToolSearch::standard();
        QCOMPARE(fixed.directories,
            (QStringList{
                u"/opt/homebrew/bin"_qs, u"/usr/local/bin"_qs, u"/opt/local/bin"_qs, u"/usr/bin"_qs, u"/bin"_qs}));
        QVERIFY(fixed.askWhich);

        qputenv("TOLVANE_TOOL_DIRS", QFile::encodeName(tools(u"none"_qs) + u"::"_qs + tools(u"failing"_qs)));
        const ToolSearch overridden = ToolSearch::standard();
        QCOMPARE(overridden.directories, (QStringList{tools(u"none"_qs), tools(u"failing"_qs)}));
        QVERIFY(!overridden.askWhich);

        qputenv("TOLVANE_TOOL_DIRS", "");
        QCOMPARE(tolvane::findTool(u"sh"_qs), std::optional<QString>());
    }

    void cliProbesInArgumentOrder()
    {
        requireClips();
        if (m_ffprobe.isEmpty())
            QSKIP("ffprobe is not installed (Debian package ffmpeg).");
        const Run run
            = cli({u"probe"_qs, u"--json"_qs, u"two.mkv"_qs, u"missing.mkv"_qs, clip(u"audio.mka"_qs)}, u"ffprobe"_qs);
        QCOMPARE(run.exitCode, 0);
        const QJsonArray items = QJsonDocument::fromJson(run.out).object().value(u"items"_qs).toArray();
        QCOMPARE(items.size(), 3);
        const QStringList paths{clip(u"two.mkv"_qs), clip(u"missing.mkv"_qs), clip(u"audio.mka"_qs)};
        const QStringList probes{u"ffprobe"_qs, libAVProbe.mid(7), u"ffprobe"_qs};
        for (qsizetype index = 0; index < 3; ++index) {
            const QJsonObject item = items[index].toObject();
            QCOMPARE(item.value(u"path"_qs).toString(), paths[index]);
            const QJsonObject first = item.value(u"mediaInfo"_qs).toArray().first().toObject();
            QCOMPARE(first.value(u"key"_qs).toString(), u"Probe"_qs);
            QCOMPARE(first.value(u"value"_qs).toString(), probes[index]);
        }

        const Run text = cli({u"probe"_qs, u"audio.mka"_qs}, u"ffprobe"_qs);
        QCOMPARE(text.exitCode, 0);
        const QStringList printed = QString::fromUtf8(text.out).split(u'\n');
        QCOMPARE(printed.value(0), clip(u"audio.mka"_qs));
        QCOMPARE(printed.value(1), u"  Probe: ffprobe"_qs);
        QVERIFY(printed.contains(u"  Video: \u2014"_qs));
    }

    void cliUsageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no file") << QStringList{u"probe"_qs} << u"expected at least one FILE"_qs;
        QTest::newRow("unknown option") << QStringList{u"probe"_qs, u"--fast"_qs, u"a.mkv"_qs}
                                        << u"Unknown option 'fast'"_qs;
    }
    void cliUsageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run run = cli(arguments, u"none"_qs);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestMediaProbe)
#include "tst_mediaprobe.moc"
