#include "media/ToolOutput.h"

#include <QFile>
#include <QSet>
#include <QTest>

using namespace tolvane;

namespace {

QString fixtureDirectory()
{
    return QStringLiteral(TOLVANE_SHARED_FIXTURES "/mediainfo_ffprobe");
}

/// The summary the tool's output gives for a file of this size and extension; "none" when the
/// output is refused.
QString summaryOf(const QString &tool, const QByteArray &json, qint64 size, const QString &extension)
{
    ProbedFile file;
    file.size = size;
    file.extension = extension;
    const QLocale c = QLocale::c();
    const std::optional<QList<MediaInfoRow>> rows
        = tool == u"mediainfo"_qs ? mediaInfoRows(json, file, c) : ffprobeRows(json, file, c);
    if (!rows)
        return u"none"_qs;
    QStringList lines;
    QSet<QUuid> ids;
    for (const MediaInfoRow &row : *rows) {
        lines.append(row.key + u'=' + row.value);
        ids.insert(row.id);
    }
    return ids.size() == rows->size() ? lines.join(u'|') : u"rows share an identity"_qs;
}

} // namespace

class TestToolOutput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The outputs of real tools, whole; the file system's size is 1000 bytes, the extension mkv.
    void realOutputs_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("mediainfo, 4K HDR, four audio tracks")
            << u"mediainfo_knowit_media_001.mkv.json"_qs
            << u"Probe=mediainfo|File size=28.07 GB|Container=Matroska|Duration=54:21|Overall bitrate=68.86 Mbps|"
               u"Resolution=3840\u00D72160|Frame rate=24 fps|Video bitrate=62.23 Mbps|Video codec=HEVC (Main 10)|"
               u"Bit depth=10 bit|HDR=Dolby Vision / SMPTE ST 2086|Audio tracks=4|Audio bitrate=4.69 Mbps|"
               u"Audio codec=MLP FBA 8ch|Sample rate=48000 Hz|Audio language=en|"
               u"Audio list=#1 MLP FBA (en), #2 AC-3 (en), #3 AC-3 (de), #4 DTS (pt)"_qs;
        // Its duration is written as 1:23:45.67, which is no number; cover art follows the video.
        QTest::newRow("ffprobe, cover art, seven audio tracks")
            << u"ffprobe_knowit_media_001.mkv.json"_qs
            << u"Probe=ffprobe|File size=12.35 GB|Container=Matroska / WebM|Overall bitrate=1.23 Mbps|"
               u"Resolution=1920\u00D71080|Frame rate=24 fps|Video codec=h264 (High)|Pixel format=yuv420p|"
               u"Audio tracks=7|Audio codec=dts|Sample rate=48000 Hz|Channels=8|Audio language=eng|"
               u"Audio list=#1 dts (eng), #2 dts (eng), #3 ac3 (eng), #4 dts (fre), #5 dts (fre), #6 ac3 (cze), "
               u"#7 ac3 (hin)"_qs;
    }
    void realOutputs()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, expected);
        QFile file(fixtureDirectory() + QLatin1Char('/') + fileName);
        if (!file.open(QIODevice::ReadOnly))
            QSKIP("The shared real-world samples (../shared/fixtures/real/mediainfo_ffprobe) are absent.");
        const QString tool = fileName.contains(u"mediainfo"_qs) ? u"mediainfo"_qs : u"ffprobe"_qs;
        QCOMPARE(summaryOf(tool, file.readAll(), 1000, u"mkv"_qs), expected);
    }

    // Hand-made outputs for what the real ones do not show; the file has 2500 bytes and ends in .avi.
    void madeOutputs_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        const QString mediainfo = u"mediainfo"_qs;
        const QString ffprobe = u"ffprobe"_qs;

        QTest::newRow("mediainfo: media not an object") << mediainfo << QByteArray("{\"media\": []}") << u"none"_qs;
        QTest::newRow("mediainfo: one track as an object")
            << mediainfo << QByteArray(R"json({"media": {"track":
                {"@type": "General", "FileSize": "1234567890", "Format": "Matroska"}}})json")
            << u"Probe=mediainfo|File size=1.23 GB|Container=Matroska|Video=\u2014|Audio tracks=0"_qs;
        QTest::newRow("mediainfo: audio only, two tracks")
            << mediainfo << QByteArray(R"json({"media": {"track": [{"@type": "General", "Duration": "59.6"},
                {"@type": "Audio", "Format": "AAC", "Channels": "2", "Language": "en", "BitRate": "999999",
                 "SamplingRate": "48000"}, {"@type": "Audio", "Format": "AC-3", "Language": ""}]}})json")
            << u"Probe=mediainfo|File size=2.50 kB|Container=AVI|Duration=1:00|Video=\u2014|Audio tracks=2|"
               u"Audio bitrate=1000 kbps|Audio codec=AAC 2ch|Sample rate=48000 Hz|Audio language=en|"
               u"Audio list=#1 AAC (en), #2 AC-3"_qs;
        QTest::newRow("mediainfo: fallbacks within a track")
            << mediainfo
            << QByteArray(R"json({"media": {"track": [{"@type": "General", "FileSize": "big", "Format": ""},
                {"@type": "Video", "Duration": 3600, "FrameRate_Num": "30000", "FrameRate_Den": "1001",
                 "CodecID": "V_MPEG4/ISO/AVC", "Format_Profile": "", "HDR_Format_Compatibility": "HDR10",
                 "Width": 1920, "Height": "0"},
                {"@type": "Audio", "CodecID": "A_DTS", "Channel(s)": "8 / 6", "Language": ""},
                {"@type": "Video", "Format": "x"}]}})json")
            << u"Probe=mediainfo|File size=2.50 kB|Container=AVI|Duration=1:00:00|Frame rate=30 fps|"
               u"Video codec=V_MPEG4/ISO/AVC|HDR=HDR10|Audio tracks=1|Audio codec=A_DTS 8 / 6ch"_qs;
        QTest::newRow("mediainfo: numbers as numbers, a rate over 0")
            << mediainfo << QByteArray(R"json({"media": {"track": [{"@type": "General", "FileSize": 1000000,
                "OverallBitRate": 1000000}, {"@type": "Video", "FrameRate_Num": "25", "FrameRate_Den": "0",
                "Format": "AVC", "Format_Profile": "High"},
                {"@type": "Audio", "Format": "Opus", "Channels": 2, "SamplingRate": 48000}]}})json")
            << u"Probe=mediainfo|File size=1.00 MB|Container=AVI|Overall bitrate=1.00 Mbps|"
               u"Video codec=AVC (High)|Audio tracks=1|Audio codec=Opus 2ch|Sample rate=48000 Hz"_qs;

        QTest::newRow("ffprobe: an array") << ffprobe << QByteArray("[{}]") << u"none"_qs;
        QTest::newRow("ffprobe: 0/0 average hides the nominal rate")
            << ffprobe << QByteArray(R"json({"format": {"format_name": "avi", "duration": "3599.4"},
                "streams": [{"codec_type": "video", "avg_frame_rate": "0/0", "r_frame_rate": "25/1",
                 "width": 720, "height": 576, "codec_name": "mpeg4", "profile": ""}]})json")
            << u"Probe=ffprobe|File size=2.50 kB|Container=avi|Duration=59:59|Resolution=720\u00D7576|"
               u"Video codec=mpeg4|Audio tracks=0"_qs;
        QTest::newRow("ffprobe: nominal rate when there is no average")
            << ffprobe << QByteArray(R"json({"streams": [{"codec_type": "video", "r_frame_rate": "24000/1001",
                "bit_rate": "1000000"}, {"codec_type": "audio", "codec_name": "ac3", "channels": "6",
                "sample_rate": 48000, "tags": {"language": ""}},
                {"codec_type": "audio", "codec_name": 5, "tags": {"language": "ger"}}]})json")
            << u"Probe=ffprobe|File size=2.50 kB|Container=AVI|Frame rate=24 fps|Video bitrate=1.00 Mbps|"
               u"Audio tracks=2|Audio codec=ac3|Sample rate=48000 Hz|Channels=6|Audio language=|"
               u"Audio list=#1 ac3, #2 ? (ger)"_qs;
        QTest::newRow("ffprobe: unusable values drop their rows")
            << ffprobe << QByteArray(R"json({"format": {"size": "-5", "bit_rate": "N/A", "duration": "N/A"},
                "streams": [{"codec_type": "video", "avg_frame_rate": "0/1", "width": 0, "height": 576}]})json")
            << u"Probe=ffprobe|File size=2.50 kB|Container=AVI|Audio tracks=0"_qs;
    }
    void madeOutputs()
    {
        QFETCH(QString, tool);
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        QCOMPARE(summaryOf(tool, json, 2500, u"avi"_qs), expected);
    }
};

QTEST_GUILESS_MAIN(TestToolOutput)
#include "tst_tooloutput.moc"