#include "media/LibAVFormatProbe.h"

#include "media/MediaFormat.h"
#include "media/SummaryRows.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <memory>
#include <mutex>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/log.h>
}

namespace tolvane {

QString libAVProbeText()
{
    return QStringLiteral("libavformat (install mediainfo or ffprobe for more)");
}

QList<MediaInfoRow> libAVRows(const std::optional<LibAVFacts> &facts, const ProbedFile &file, const QLocale &locale)
{
    SummaryRows rows(locale);
    rows.add(QStringLiteral("Probe"), libAVProbeText());
    rows.addFileSize(std::nullopt, file.size);
    rows.add(QStringLiteral("Container"), file.extension.toUpper());
    if (!facts) {
        rows.addNoVideo();
        rows.add(QStringLiteral("Audio tracks"), QStringLiteral("0"));
        return rows.take();
    }
    if (facts->durationSeconds && *facts->durationSeconds > 0)
        rows.addDuration(facts->durationSeconds);
    if (!facts->hasVideo) {
        rows.addNoVideo();
    } else {
        rows.addResolution(facts->width, facts->height);
        rows.addFrameRate(facts->frameRate);
        if (facts->videoBitRate && *facts->videoBitRate > 0)
            rows.addBitRate(QStringLiteral("Video bitrate"), double(*facts->videoBitRate));
        if (!facts->videoCodec.isEmpty())
            rows.add(QStringLiteral("Video codec"), facts->videoCodec);
    }
    rows.add(QStringLiteral("Audio tracks"), QString::number(facts->audioTracks));
    if (facts->audioTracks > 0) {
        if (facts->audioBitRate && *facts->audioBitRate > 0)
            rows.addBitRate(QStringLiteral("Audio bitrate"), double(*facts->audioBitRate));
        if (!facts->audioCodec.isEmpty())
            rows.add(QStringLiteral("Audio codec"), facts->audioCodec);
        if (facts->sampleRate)
            rows.addSampleRate(double(*facts->sampleRate));
        if (facts->channels && *facts->channels > 0)
            rows.add(QStringLiteral("Channels"), QString::number(*facts->channels));
    }
    return rows.take();
}

namespace {

struct CloseInput {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};

QString codecText(const AVCodecParameters &parameters)
{
    return codecTagText(parameters.codec_tag, QString::fromLatin1(avcodec_get_name(parameters.codec_id)));
}

/// Phone videos are stored sideways with a display matrix that turns them upright.
bool isTurnedSideways(const AVStream &stream)
{
    size_t size = 0;
    const uint8_t *matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(int32_t))
        return false;
    const double degrees = av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix));
    return std::isfinite(degrees) && std::llround(degrees / 90) % 2 != 0;
}

void readVideo(const AVStream &stream, LibAVFacts &facts)
{
    const AVCodecParameters &parameters = *stream.codecpar;
    facts.hasVideo = true;
    facts.width = parameters.width;
    facts.height = parameters.height;
    if (isTurnedSideways(stream))
        std::swap(facts.width, facts.height);
    if (stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0)
        facts.frameRate = av_q2d(stream.avg_frame_rate);
    if (parameters.bit_rate > 0)
        facts.videoBitRate = parameters.bit_rate;
    facts.videoCodec = codecText(parameters);
}

void readAudio(const AVStream &stream, LibAVFacts &facts)
{
    const AVCodecParameters &parameters = *stream.codecpar;
    if (parameters.bit_rate > 0)
        facts.audioBitRate = parameters.bit_rate;
    facts.audioCodec = codecText(parameters);
    if (parameters.sample_rate > 0)
        facts.sampleRate = parameters.sample_rate;
    if (parameters.ch_layout.nb_channels > 0)
        facts.channels = parameters.ch_layout.nb_channels;
}

} // namespace

std::optional<LibAVFacts> readLibAVFacts(const QString &filePath)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    // An absolute path cannot be mistaken for a URL, and only the file protocol is allowed: a
    // playlist posing as a video must not make the probe reach the network.
    const QByteArray path = QFile::encodeName(QFileInfo(filePath).absoluteFilePath());
    AVDictionary *options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext *opened = nullptr;
    const int status = avformat_open_input(&opened, path.constData(), nullptr, &options);
    av_dict_free(&options);
    if (status < 0)
        return std::nullopt;
    const std::unique_ptr<AVFormatContext, CloseInput> context(opened);
    // Without stream info some containers leave sizes and rates unset; what is known still counts.
    avformat_find_stream_info(context.get(), nullptr);

    LibAVFacts facts;
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0)
        facts.durationSeconds = double(context->duration) / AV_TIME_BASE;
    for (unsigned index = 0; index < context->nb_streams; ++index) {
        const AVStream &stream = *context->streams[index];
        switch (stream.codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            // Cover art is stored as a one-picture video stream; it is no video track.
            if (!facts.hasVideo && !(stream.disposition & AV_DISPOSITION_ATTACHED_PIC))
                readVideo(stream, facts);
            break;
        case AVMEDIA_TYPE_AUDIO:
            if (facts.audioTracks++ == 0)
                readAudio(stream, facts);
            break;
        default:
            break;
        }
    }
    return facts;
}

QList<MediaInfoRow> probeLibAVFormat(const QString &filePath, const QLocale &locale)
{
    return libAVRows(readLibAVFacts(filePath), ProbedFile::of(filePath), locale);
}

} // namespace tolvane
