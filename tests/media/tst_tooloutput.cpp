#include "SummaryLines.h"

#include "media/ToolOutput.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>

using namespace tolvane;

namespace {

enum class Tool { mediainfo, ffprobe };

const QLocale c = QLocale::c();

QString fixtureDirectory()
{
    return QStringLiteral(TOLVANE_SHARED_FIXTURES "/mediainfo_ffprobe");
}

QByteArray fixture(const QString &name)
{
    QFile file(fixtureDirectory() + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Tool toolOf(const QString &fileName)
{
    return fileName.contains(QLatin1String("mediainfo")) ? Tool::mediainfo : Tool::ffprobe;
}

std::optional<QList<MediaInfoRow>> rowsOf(Tool tool, const QByteArray &json, const ProbedFile &file)
{
    return tool == Tool::mediainfo ? mediaInfoRows(json, file, c) : ffprobeRows(json, file, c);
}

ProbedFile probedFile(std::optional<qint64> size, const QString &extension)
{
    ProbedFile file;
    file.size = size;
    file.extension = extension;
    return file;
}

} // namespace

Q_DECLARE_METATYPE(Tool)

class TestToolOutput : public QObject {
    Q_OBJECT

    void skipWithoutFixtures()
    {
        if (!QDir(fixtureDirectory()).exists())
            QSKIP("The shared real-world samples (../shared/fixtures/real/mediainfo_ffprobe) are absent.");
    }

private Q_SLOTS:
    // Every real output parses, and its rows come in the summary's order with no key twice.
    void everyRealOutputParses_data()
    {
        QTest::addColumn<QString>("fileName");
        const QStringList names = QDir(fixtureDirectory()).entryList({u"*.json"_qs}, QDir::Files, QDir::Name);
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << name;
        if (names.isEmpty())
            QTest::newRow("no samples") << QString();
    }
    void everyRealOutputParses()
    {
        skipWithoutFixtures();
        QFETCH(QString, fileName);
        const Tool tool = toolOf(fileName);
        const std::optional<QList<MediaInfoRow>> rows = rowsOf(tool, fixture(fileName), probedFile(1000, u"mkv"_qs));
        QVERIFY(rows);
        QCOMPARE(rows->constFirst().value, tool == Tool::mediainfo ? u"mediainfo"_qs : u"ffprobe"_qs);
        QVERIFY2(inSummaryOrder(*rows), qPrintable(summaryLines(*rows).join(u'\n')));
        QVERIFY(summaryLines(*rows).filter(QRegularExpression(u"^Audio tracks: \\d+$"_qs)).size() == 1);
    }

    // The outputs of Debian 12's tools, row by row.
    void debianOutputs_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("mediainfo mkv") << u"debian12_mediainfo_t.mkv.json"_qs
                                       << QStringList{u"Probe: mediainfo"_qs, u"File size: 47.85 kB"_qs,
                                              u"Container: Matroska"_qs, u"Duration: 0:03"_qs,
                                              u"Overall bitrate: 127 kbps"_qs, u"Resolution: 640\u00D7360"_qs,
                                              u"Frame rate: 25 fps"_qs, u"Video codec: AVC (High 4:4:4 Predictive)"_qs,
                                              u"Bit depth: 8 bit"_qs, u"Audio tracks: 1"_qs, u"Audio codec: AAC 1ch"_qs,
                                              u"Sample rate: 44100 Hz"_qs};
        QTest::newRow("ffprobe mkv") << u"debian12_ffprobe_t.mkv.json"_qs
                                     << QStringList{u"Probe: ffprobe"_qs, u"File size: 47.85 kB"_qs,
                                            u"Container: Matroska / WebM"_qs, u"Duration: 0:03"_qs,
                                            u"Overall bitrate: 127 kbps"_qs, u"Resolution: 640\u00D7360"_qs,
                                            u"Frame rate: 25 fps"_qs, u"Video codec: h264 (High 4:4:4 Predictive)"_qs,
                                            u"Pixel format: yuv444p"_qs, u"Audio tracks: 1"_qs, u"Audio codec: aac"_qs,
                                            u"Sample rate: 44100 Hz"_qs, u"Channels: 1"_qs};
        QTest::newRow("mediainfo mp4") << u"debian12_mediainfo_t2.mp4.json"_qs
                                       << QStringList{u"Probe: mediainfo"_qs, u"File size: 172.76 kB"_qs,
                                              u"Container: MPEG-4"_qs, u"Duration: 0:03"_qs,
                                              u"Overall bitrate: 460 kbps"_qs, u"Resolution: 1280\u00D7720"_qs,
                                              u"Frame rate: 24 fps"_qs, u"Video bitrate: 108 kbps"_qs,
                                              u"Video codec: AVC (High)"_qs, u"Bit depth: 8 bit"_qs,
                                              u"Audio tracks: 1"_qs, u"Audio bitrate: 341 kbps"_qs,
                                              u"Audio codec: AAC 6ch"_qs, u"Sample rate: 48000 Hz"_qs,
                                              u"Audio language: ru"_qs};
        QTest::newRow("ffprobe mp4") << u"debian12_ffprobe_t2.mp4.json"_qs
                                     << QStringList{u"Probe: ffprobe"_qs, u"File size: 172.76 kB"_qs,
                                            u"Container: QuickTime / MOV"_qs, u"Duration: 0:03"_qs,
                                            u"Overall bitrate: 460 kbps"_qs, u"Resolution: 1280\u00D7720"_qs,
                                            u"Frame rate: 24 fps"_qs, u"Video bitrate: 108 kbps"_qs,
                                            u"Video codec: h264 (High)"_qs, u"Pixel format: yuv420p"_qs,
                                            u"Audio tracks: 1"_qs, u"Audio bitrate: 341 kbps"_qs,
                                            u"Audio codec: aac"_qs, u"Sample rate: 48000 Hz"_qs, u"Channels: 6"_qs,
                                            u"Audio language: rus"_qs};
    }
    void debianOutputs()
    {
        skipWithoutFixtures();
        QFETCH(QString, fileName);
        QFETCH(QStringList, expected);
        const std::optional<QList<MediaInfoRow>> rows
            = rowsOf(toolOf(fileName), fixture(fileName), probedFile(1, u"mkv"_qs));
        QVERIFY(rows);
        QCOMPARE(summaryLines(*rows), expected);
    }

    // Single rows of the other real outputs (absent expected value: no such row).
    void otherOutputs_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QString mediainfo = u"mediainfo_knowit_media_001.mkv.json"_qs;
        QTest::newRow("28 GB") << mediainfo << u"File size"_qs << u"28.07 GB"_qs;
        QTest::newRow("54 minutes") << mediainfo << u"Duration"_qs << u"54:21"_qs;
        QTest::newRow("HEVC profile") << mediainfo << u"Video codec"_qs << u"HEVC (Main 10)"_qs;
        QTest::newRow("HDR format first") << mediainfo << u"HDR"_qs << u"Dolby Vision / SMPTE ST 2086"_qs;
        QTest::newRow("TrueHD channels") << mediainfo << u"Audio codec"_qs << u"MLP FBA 8ch"_qs;
        QTest::newRow("four tracks") << mediainfo << u"Audio list"_qs
                                     << u"#1 MLP FBA (en), #2 AC-3 (en), #3 AC-3 (de), #4 DTS (pt)"_qs;
        QTest::newRow("subtitles are no audio")
            << u"mediainfo_knowit_several-tracks.mkv.json"_qs << u"Audio tracks"_qs << u"1"_qs;
        QTest::newRow("DTS 6ch") << u"mediainfo_knowit_7.1-dts-hd-ma-speaker-mapping-test-file.mkv.json"_qs
                                 << u"Audio codec"_qs << u"DTS 6ch"_qs;
        const QString ffprobe = u"ffprobe_knowit_media_001.mkv.json"_qs;
        QTest::newRow("sexagesimal duration unread") << ffprobe << u"Duration"_qs << QString();
        QTest::newRow("size beyond 32 bits") << ffprobe << u"File size"_qs << u"12.35 GB"_qs;
        QTest::newRow("first video stream, not cover art") << ffprobe << u"Resolution"_qs << u"1920\u00D71080"_qs;
        QTest::newRow("DTS profile not shown for audio") << ffprobe << u"Audio codec"_qs << u"dts"_qs;
        QTest::newRow("seven tracks") << ffprobe << u"Audio list"_qs
                                      << u"#1 dts (eng), #2 dts (eng), #3 ac3 (eng), #4 dts (fre), #5 dts (fre), "
                                         u"#6 ac3 (cze), #7 ac3 (hin)"_qs;
        const QString streamsOnly = u"ffprobe_jellyfin_video_mp4_metadata.json"_qs;
        QTest::newRow("no format: file system size") << streamsOnly << u"File size"_qs << u"1.00 kB"_qs;
        QTest::newRow("no format: extension") << streamsOnly << u"Container"_qs << u"MKV"_qs;
        QTest::newRow("odd average rate") << streamsOnly << u"Frame rate"_qs << u"24 fps"_qs;
        QTest::newRow("commentary track") << streamsOnly << u"Audio list"_qs << u"#1 aac (eng), #2 aac (eng)"_qs;
        QTest::newRow("a track without tags")
            << u"ffprobe_knowit_test5-ffmpeg-v2.8.15.mkv.json"_qs << u"Audio list"_qs << u"#1 aac, #2 aac (eng)"_qs;
    }
    void otherOutputs()
    {
        skipWithoutFixtures();
        QFETCH(QString, fileName);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const std::optional<QList<MediaInfoRow>> rows
            = rowsOf(toolOf(fileName), fixture(fileName), probedFile(1000, u"mkv"_qs));
        QVERIFY(rows);
        const auto row
            = std::find_if(rows->cbegin(), rows->cend(), [&](const MediaInfoRow &r) { return r.key == key; });
        if (expected.isNull()) {
            QVERIFY2(row == rows->cend(), qPrintable(summaryLines(*rows).join(u'\n')));
        } else {
            QVERIFY(row != rows->cend());
            QCOMPARE(row->value, expected);
        }
    }

    // Hand-made outputs for the cases the real ones do not show. A null list: the source gave nothing.
    void madeOutputs_data()
    {
        QTest::addColumn<Tool>("tool");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("expected");
        const QStringList bare{
            u"File size: 2.50 kB"_qs, u"Container: AVI"_qs, u"Video: \u2014"_qs, u"Audio tracks: 0"_qs};

        QTest::newRow("mediainfo: not JSON") << Tool::mediainfo << QByteArray("{\"media\": ") << QStringList();
        QTest::newRow("mediainfo: an array") << Tool::mediainfo << QByteArray("[]") << QStringList();
        QTest::newRow("mediainfo: no media")
            << Tool::mediainfo << QByteArray("{\"creatingLibrary\": {}}") << QStringList();
        QTest::newRow("mediainfo: media not an object")
            << Tool::mediainfo << QByteArray(R"json({"media": []})json") << QStringList();
        QTest::newRow("mediainfo: no tracks") << Tool::mediainfo << QByteArray(R"json({"media": {"@ref": "x"}})json")
                                              << QStringList{u"Probe: mediainfo"_qs} + bare;
        QTest::newRow("mediainfo: one track as an object")
            << Tool::mediainfo
            << QByteArray(
                   R"json({"media": {"track": {"@type": "General", "FileSize": "1234567890", "Format": "Matroska"}}})json")
            << QStringList{u"Probe: mediainfo"_qs, u"File size: 1.23 GB"_qs, u"Container: Matroska"_qs,
                   u"Video: \u2014"_qs, u"Audio tracks: 0"_qs};
        QTest::newRow("mediainfo: audio only, two tracks")
            << Tool::mediainfo << QByteArray(R"json({"media": {"track": [{"@type": "General", "Duration": "59.6"},
                {"@type": "Audio", "Format": "AAC", "Channels": "2", "Language": "en", "BitRate": "999999",
                 "SamplingRate": "48000"},
                {"@type": "Audio", "Format": "AC-3", "Language": ""}]}})json")
            << QStringList{u"Probe: mediainfo"_qs, u"File size: 2.50 kB"_qs, u"Container: AVI"_qs, u"Duration: 1:00"_qs,
                   u"Video: \u2014"_qs, u"Audio tracks: 2"_qs, u"Audio bitrate: 1000 kbps"_qs,
                   u"Audio codec: AAC 2ch"_qs, u"Sample rate: 48000 Hz"_qs, u"Audio language: en"_qs,
                   u"Audio list: #1 AAC (en), #2 AC-3"_qs};
        QTest::newRow("mediainfo: fallbacks within a track")
            << Tool::mediainfo
            << QByteArray(R"json({"media": {"track": [{"@type": "General", "FileSize": "big", "Format": ""},
                {"@type": "Video", "Duration": 3600, "FrameRate_Num": "30000", "FrameRate_Den": "1001", "CodecID": "V_MPEG4/ISO/AVC",
                 "Format_Profile": "", "HDR_Format_Compatibility": "HDR10", "Width": 1920, "Height": "0"},
                {"@type": "Audio", "CodecID": "A_DTS", "Channel(s)": "8 / 6"},
                {"@type": "Video", "Format": "ignored"}]}})json")
            << QStringList{u"Probe: mediainfo"_qs, u"File size: 2.50 kB"_qs, u"Container: AVI"_qs,
                   u"Duration: 1:00:00"_qs, u"Frame rate: 30 fps"_qs, u"Video codec: V_MPEG4/ISO/AVC"_qs,
                   u"HDR: HDR10"_qs, u"Audio tracks: 1"_qs, u"Audio codec: A_DTS 8 / 6ch"_qs};
        QTest::newRow("mediainfo: rate over a zero denominator")
            << Tool::mediainfo
            << QByteArray(R"json({"media": {"track": [{"@type": "Video", "FrameRate_Num": "25", "FrameRate_Den": "0",
                "Format": "AVC", "Format_Profile": "High"}]}})json")
            << QStringList{u"Probe: mediainfo"_qs, u"File size: 2.50 kB"_qs, u"Container: AVI"_qs,
                   u"Video codec: AVC (High)"_qs, u"Audio tracks: 0"_qs};
        QTest::newRow("mediainfo: numbers written as numbers")
            << Tool::mediainfo
            << QByteArray(
                   R"json({"media": {"track": [{"@type": "General", "FileSize": 1000000, "OverallBitRate": 1000000},
                {"@type": "Audio", "Format": "Opus", "Channels": 2, "SamplingRate": 48000}]}})json")
            << QStringList{u"Probe: mediainfo"_qs, u"File size: 1.00 MB"_qs, u"Container: AVI"_qs,
                   u"Overall bitrate: 1.00 Mbps"_qs, u"Video: \u2014"_qs, u"Audio tracks: 1"_qs,
                   u"Audio codec: Opus 2ch"_qs, u"Sample rate: 48000 Hz"_qs};

        QTest::newRow("ffprobe: not JSON") << Tool::ffprobe << QByteArray("Invalid data found") << QStringList();
        QTest::newRow("ffprobe: empty output") << Tool::ffprobe << QByteArray() << QStringList();
        QTest::newRow("ffprobe: an array") << Tool::ffprobe << QByteArray("[{}]") << QStringList();
        QTest::newRow("ffprobe: empty object")
            << Tool::ffprobe << QByteArray("{}") << QStringList{u"Probe: ffprobe"_qs} + bare;
        QTest::newRow("ffprobe: 0/0 average hides the nominal rate")
            << Tool::ffprobe << QByteArray(R"json({"format": {"format_name": "avi", "duration": "3599.4"},
                "streams": [{"codec_type": "video", "avg_frame_rate": "0/0", "r_frame_rate": "25/1",
                 "width": 720, "height": 576, "codec_name": "mpeg4", "profile": ""}]})json")
            << QStringList{u"Probe: ffprobe"_qs, u"File size: 2.50 kB"_qs, u"Container: avi"_qs, u"Duration: 59:59"_qs,
                   u"Resolution: 720\u00D7576"_qs, u"Video codec: mpeg4"_qs, u"Audio tracks: 0"_qs};
        QTest::newRow("ffprobe: nominal rate when there is no average")
            << Tool::ffprobe
            << QByteArray(
                   R"json({"streams": [{"codec_type": "video", "r_frame_rate": "24000/1001", "bit_rate": "1000000"},
                {"codec_type": "audio", "codec_name": "ac3", "channels": "6", "sample_rate": 48000,
                 "tags": {"language": ""}},
                {"codec_type": "audio", "codec_name": 5, "tags": {"language": "ger"}}]})json")
            << QStringList{u"Probe: ffprobe"_qs, u"File size: 2.50 kB"_qs, u"Container: AVI"_qs,
                   u"Frame rate: 24 fps"_qs, u"Video bitrate: 1.00 Mbps"_qs, u"Audio tracks: 2"_qs,
                   u"Audio codec: ac3"_qs, u"Sample rate: 48000 Hz"_qs, u"Channels: 6"_qs, u"Audio language: "_qs,
                   u"Audio list: #1 ac3, #2 ? (ger)"_qs};
        QTest::newRow("ffprobe: unusable values drop their rows")
            << Tool::ffprobe << QByteArray(R"json({"format": {"size": "-5", "bit_rate": "N/A", "duration": "N/A"},
                "streams": "none"})json")
            << QStringList{u"Probe: ffprobe"_qs} + bare;
    }
    void madeOutputs()
    {
        QFETCH(Tool, tool);
        QFETCH(QByteArray, json);
        QFETCH(QStringList, expected);
        const std::optional<QList<MediaInfoRow>> rows = rowsOf(tool, json, probedFile(2500, u"avi"_qs));
        QCOMPARE(rows.has_value(), !expected.isEmpty());
        if (rows)
            QCOMPARE(summaryLines(*rows), expected);
    }

    void unknownSizeLeavesTheRowOut()
    {
        const std::optional<QList<MediaInfoRow>> rows = ffprobeRows("{}", probedFile(std::nullopt, u"Mkv"_qs), c);
        QVERIFY(rows);
        QCOMPARE(summaryLines(*rows),
            (QStringList{u"Probe: ffprobe"_qs, u"Container: MKV"_qs, u"Video: \u2014"_qs, u"Audio tracks: 0"_qs}));
    }

    void everyRowHasItsOwnIdentity()
    {
        const std::optional<QList<MediaInfoRow>> first = ffprobeRows("{}", probedFile(1, u"mkv"_qs), c);
        const std::optional<QList<MediaInfoRow>> second = ffprobeRows("{}", probedFile(1, u"mkv"_qs), c);
        QVERIFY(first && second);
        QVERIFY(first->at(0).id != first->at(1).id);
        QVERIFY(first->at(0).id != second->at(0).id);
    }
};

QTEST_GUILESS_MAIN(TestToolOutput)
#include "tst_tooloutput.moc"
