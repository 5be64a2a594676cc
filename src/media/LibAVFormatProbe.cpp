#include "media/LibAVFormatProbe.h"

#include "media/MediaFormat.h"
#include "media/SummaryRows.h"

#include "media/LibAVLoader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <memory>
#include <utility>

namespace tolvane {

QString libAVProbeText()
{
    return MediaInfo::tr("libavformat (install mediainfo or ffprobe for more)");
}

QList<MediaInfoRow> libAVRows(const std::optional<LibAVFacts> &facts, const ProbedFile &file, const QLocale &locale)
{
    SummaryRows rows(locale);
    rows.add(MediaInfo::tr("Probe"), libAVProbeText());
    rows.addFileSize(std::nullopt, file.size);
    rows.add(MediaInfo::tr("Container"), file.extension.toUpper());
    if (!facts) {
        rows.addNoVideo();
        rows.add(MediaInfo::tr("Audio tracks"), QStringLiteral("0"));
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
            rows.addBitRate(MediaInfo::tr("Video bitrate"), double(*facts->videoBitRate));
        if (!facts->videoCodec.isEmpty())
            rows.add(MediaInfo::tr("Video codec"), facts->videoCodec);
    }
    rows.add(MediaInfo::tr("Audio tracks"), QString::number(facts->audioTracks));
    if (facts->audioTracks > 0) {
        if (facts->audioBitRate && *facts->audioBitRate > 0)
            rows.addBitRate(MediaInfo::tr("Audio bitrate"), double(*facts->audioBitRate));
        if (!facts->audioCodec.isEmpty())
            rows.add(MediaInfo::tr("Audio codec"), facts->audioCodec);
        if (facts->sampleRate)
            rows.addSampleRate(double(*facts->sampleRate));
        if (facts->channels && *facts->channels > 0)
            rows.add(MediaInfo::tr("Channels"), QString::number(*facts->channels));
    }
    return rows.take();
}

namespace {

QString codecText(const LibAVFunctions &av, const AVCodecParameters &parameters)
{
    return codecTagText(parameters.codec_tag, QString::fromLatin1(av.codecGetName(parameters.codec_id)));
}

/// Phone videos are stored sideways with a display matrix that turns them upright.
bool isTurnedSideways(const LibAVFunctions &av, const AVStream &stream)
{
    size_t size = 0;
    const uint8_t *matrix = av.streamGetSideData(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(int32_t))
        return false;
    const double degrees = av.displayRotationGet(reinterpret_cast<const int32_t *>(matrix));
    return std::isfinite(degrees) && std::llround(degrees / 90) % 2 != 0;
}

void readVideo(const LibAVFunctions &av, const AVStream &stream, LibAVFacts &facts)
{
    const AVCodecParameters &parameters = *stream.codecpar;
    facts.hasVideo = true;
    facts.width = parameters.width;
    facts.height = parameters.height;
    if (isTurnedSideways(av, stream))
        std::swap(facts.width, facts.height);
    if (stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0)
        facts.frameRate = av_q2d(stream.avg_frame_rate);
    if (parameters.bit_rate > 0)
        facts.videoBitRate = parameters.bit_rate;
    facts.videoCodec = codecText(av, parameters);
}

void readAudio(const LibAVFunctions &av, const AVStream &stream, LibAVFacts &facts)
{
    const AVCodecParameters &parameters = *stream.codecpar;
    if (parameters.bit_rate > 0)
        facts.audioBitRate = parameters.bit_rate;
    facts.audioCodec = codecText(av, parameters);
    if (parameters.sample_rate > 0)
        facts.sampleRate = parameters.sample_rate;
    if (parameters.ch_layout.nb_channels > 0)
        facts.channels = parameters.ch_layout.nb_channels;
}

// The file is read through the descriptor the caller checked, never opened again by name: the
// name might by now be a FIFO, whose open would block for good.
int readPacket(void *opaque, uint8_t *buffer, int size)
{
    const int fd = *static_cast<int *>(opaque);
    for (;;) {
        const ssize_t count = ::read(fd, buffer, size_t(size));
        if (count > 0)
            return int(count);
        if (count == 0)
            return AVERROR_EOF;
        if (errno != EINTR)
            return AVERROR(errno);
    }
}

int64_t seekPacket(void *opaque, int64_t offset, int whence)
{
    const int fd = *static_cast<int *>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat status { };
        return ::fstat(fd, &status) == 0 ? int64_t(status.st_size) : AVERROR(errno);
    }
    const off_t position = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : int64_t(position);
}

/// Owns the custom reader and the format context, in the order FFmpeg wants them freed.
class OpenedInput {
public:
    explicit OpenedInput(const LibAVFunctions &av)
        : m_av(av)
    {
    }
    ~OpenedInput()
    {
        if (m_context)
            m_av.closeInput(&m_context);
        if (m_io) {
            m_av.freep(&m_io->buffer);
            m_av.ioContextFree(&m_io);
        }
    }
    OpenedInput(const OpenedInput &) = delete;
    OpenedInput &operator=(const OpenedInput &) = delete;

    bool open(int *fd, const QByteArray &name)
    {
        constexpr int bufferSize = 64 * 1024;
        auto *buffer = static_cast<unsigned char *>(m_av.malloc(bufferSize));
        if (!buffer)
            return false;
        m_io = m_av.ioAllocContext(buffer, bufferSize, 0, fd, readPacket, nullptr, seekPacket);
        if (!m_io) {
            m_av.freep(&buffer);
            return false;
        }
        AVFormatContext *context = m_av.allocContext();
        if (!context)
            return false;
        context->pb = m_io;
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
        // Only the file protocol: a playlist posing as a video must not make the probe reach the
        // network. The name is a hint to the demuxers and the base of what a playlist names.
        AVDictionary *options = nullptr;
        m_av.dictSet(&options, "protocol_whitelist", "file", 0);
        const int status = m_av.openInput(&context, name.constData(), nullptr, &options);
        m_av.dictFree(&options);
        if (status < 0)
            return false; // openInput has freed the context
        m_context = context;
        return true;
    }
    AVFormatContext *context() const { return m_context; }

private:
    const LibAVFunctions &m_av;
    AVIOContext *m_io = nullptr;
    AVFormatContext *m_context = nullptr;
};

} // namespace

std::optional<LibAVFacts> readLibAVFacts(int fd, const QByteArray &absolutePath)
{
    const LibAVFunctions *av = libAV();
    if (!av)
        return std::nullopt;
    int descriptor = fd;
    OpenedInput input(*av);
    if (!input.open(&descriptor, absolutePath))
        return std::nullopt;
    AVFormatContext *context = input.context();
    // Without stream info some containers leave sizes and rates unset; what is known still counts.
    av->findStreamInfo(context, nullptr);

    LibAVFacts facts;
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0)
        facts.durationSeconds = double(context->duration) / AV_TIME_BASE;
    for (unsigned index = 0; index < context->nb_streams; ++index) {
        const AVStream &stream = *context->streams[index];
        switch (stream.codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            // Cover art is stored as a one-picture video stream; it is no video track.
            if (!facts.hasVideo && !(stream.disposition & AV_DISPOSITION_ATTACHED_PIC))
                readVideo(*av, stream, facts);
            break;
        case AVMEDIA_TYPE_AUDIO:
            if (facts.audioTracks++ == 0)
                readAudio(*av, stream, facts);
            break;
        default:
            break;
        }
    }
    return facts;
}

} // namespace tolvane
