#include "media/ToolOutput.h"

#include "core/Json.h"
#include "media/MediaFormat.h"
#include "media/SummaryRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tolvane {

namespace {

/// A string value with text in it; an empty string is as good as none for labels and codecs.
std::optional<QString> readText(const QJsonValue &value)
{
    if (value.isString() && !value.toString().isEmpty())
        return value.toString();
    return std::nullopt;
}

std::optional<QString> firstText(const QJsonObject &object, const QString &key, const QString &otherKey)
{
    if (const std::optional<QString> text = readText(object.value(key)))
        return text;
    return readText(object.value(otherKey));
}

/// "FrameRate", else the ratio "FrameRate_Num" / "FrameRate_Den": the numerator alone would make
/// 24000 fps of 23.976.
std::optional<double> mediaInfoFrameRate(const QJsonObject &video)
{
    if (const std::optional<double> rate = readNumber(video.value(u"FrameRate"_qs)))
        return rate;
    const std::optional<double> numerator = readNumber(video.value(u"FrameRate_Num"_qs));
    const QJsonValue denominatorValue = video.value(u"FrameRate_Den"_qs);
    if (!numerator || denominatorValue.isUndefined())
        return numerator;
    const std::optional<double> denominator = readNumber(denominatorValue);
    if (!denominator || *denominator == 0)
        return std::nullopt;
    return *numerator / *denominator;
}

/// The objects of an array value; other elements are passed over.
QList<QJsonObject> objectsOf(const QJsonValue &value)
{
    QList<QJsonObject> objects;
    for (const QJsonValue element : value.toArray()) {
        if (element.isObject())
            objects.append(element.toObject());
    }
    return objects;
}

/// "#2 AC-3 (ru)": the track's number among the audio tracks, its format and its language.
QString audioLabel(qsizetype index, const std::optional<QString> &format, const std::optional<QString> &language)
{
    QString label = QLatin1Char('#') + QString::number(index + 1) + QLatin1Char(' ') + format.value_or(u"?"_qs);
    if (language)
        label += QStringLiteral(" (") + *language + QLatin1Char(')');
    return label;
}

/// The "Audio list" row; labels past what a row can show are not even made.
class AudioList {
public:
    bool isFull() const { return m_text.size() > maximumRowValueLength; }
    void append(const QString &label)
    {
        if (m_count++ > 0)
            m_text += QStringLiteral(", ");
        m_text += label;
    }
    void addTo(SummaryRows &rows) const
    {
        if (m_count >= 2)
            rows.add(MediaInfo::tr("Audio list"), m_text);
    }

private:
    QString m_text;
    qsizetype m_count = 0;
};

/// mediainfo 23.04 names the count "Channels" and writes it as a string; older releases wrote
/// "Channel(s)", sometimes as "8 / 6", which is kept as written.
std::optional<QString> channelCount(const QJsonObject &track)
{
    for (const QString &key : {u"Channels"_qs, u"Channel(s)"_qs}) {
        const QJsonValue value = track.value(key);
        if (const std::optional<QString> text = readText(value))
            return text;
        if (value.isDouble())
            return QString::number(value.toInteger());
    }
    return std::nullopt;
}

std::optional<QString> withProfile(std::optional<QString> codec, const std::optional<QString> &profile)
{
    if (codec && profile)
        *codec += QStringLiteral(" (") + *profile + QLatin1Char(')');
    return codec;
}

} // namespace

std::optional<QList<MediaInfoRow>> mediaInfoRows(
    const QByteArray &json, const ProbedFile &file, const QLocale &locale, bool *recognised)
{
    const std::optional<QJsonObject> root = parseJsonObject(json);
    if (!root || !root->value(u"media"_qs).isObject())
        return std::nullopt;
    const QJsonValue trackValue = root->value(u"media"_qs).toObject().value(u"track"_qs);
    const QList<QJsonObject> tracks
        = trackValue.isObject() ? QList<QJsonObject>{trackValue.toObject()} : objectsOf(trackValue);

    std::optional<QJsonObject> general;
    std::optional<QJsonObject> video;
    QList<QJsonObject> audio;
    for (const QJsonObject &track : tracks) {
        const QJsonValue type = track.value(u"@type"_qs);
        if (type == u"General"_qs && !general)
            general = track;
        else if (type == u"Video"_qs && !video)
            video = track;
        else if (type == u"Audio"_qs)
            audio.append(track);
    }
    const QJsonObject generalTrack = general.value_or(QJsonObject());
    // mediainfo answers for any file; a file it knows no format of is no media file.
    if (recognised)
        *recognised = video || !audio.isEmpty() || readText(generalTrack.value(u"Format"_qs));

    SummaryRows rows(locale);
    rows.add(MediaInfo::tr("Probe"), QStringLiteral("mediainfo"));
    rows.addFileSize(jsonInteger(generalTrack.value(u"FileSize"_qs)), file.size);
    rows.add(MediaInfo::tr("Container"), readText(generalTrack.value(u"Format"_qs)).value_or(file.extension.toUpper()));
    // mediainfo's JSON gives durations in seconds (as "3.023"), unlike its text views.
    std::optional<double> duration = readNumber(generalTrack.value(u"Duration"_qs));
    if (!duration && video)
        duration = readNumber(video->value(u"Duration"_qs));
    rows.addDuration(duration);
    rows.addBitRate(MediaInfo::tr("Overall bitrate"), readNumber(generalTrack.value(u"OverallBitRate"_qs)));

    if (!video) {
        rows.addNoVideo();
    } else {
        rows.addResolution(jsonInteger(video->value(u"Width"_qs)), jsonInteger(video->value(u"Height"_qs)));
        rows.addFrameRate(mediaInfoFrameRate(*video));
        rows.addBitRate(MediaInfo::tr("Video bitrate"), readNumber(video->value(u"BitRate"_qs)));
        rows.add(MediaInfo::tr("Video codec"),
            withProfile(firstText(*video, u"Format"_qs, u"CodecID"_qs), readText(video->value(u"Format_Profile"_qs))));
        if (const std::optional<QString> depth = readText(video->value(u"BitDepth"_qs)))
            rows.add(MediaInfo::tr("Bit depth"), MediaInfo::tr("%1 bit").arg(*depth));
        rows.add(MediaInfo::tr("HDR"), firstText(*video, u"HDR_Format"_qs, u"HDR_Format_Compatibility"_qs));
    }

    rows.add(MediaInfo::tr("Audio tracks"), QString::number(audio.size()));
    if (!audio.isEmpty()) {
        const QJsonObject &first = audio.constFirst();
        rows.addBitRate(MediaInfo::tr("Audio bitrate"), readNumber(first.value(u"BitRate"_qs)));
        if (std::optional<QString> codec = firstText(first, u"Format"_qs, u"CodecID"_qs)) {
            // mediainfo 23.04 names the count "Channels"; older releases wrote "Channel(s)".
            if (const std::optional<QString> channels = channelCount(first))
                *codec += QLatin1Char(' ') + *channels + QStringLiteral("ch");
            rows.add(MediaInfo::tr("Audio codec"), *codec);
        }
        rows.addSampleRate(readNumber(first.value(u"SamplingRate"_qs)));
        rows.add(MediaInfo::tr("Audio language"), readText(first.value(u"Language"_qs)));
    }
    AudioList labels;
    for (qsizetype index = 0; index < audio.size() && !labels.isFull(); ++index)
        labels.append(audioLabel(
            index, readText(audio[index].value(u"Format"_qs)), readText(audio[index].value(u"Language"_qs))));
    labels.addTo(rows);
    return rows.take();
}

std::optional<QList<MediaInfoRow>> ffprobeRows(const QByteArray &json, const ProbedFile &file, const QLocale &locale)
{
    const std::optional<QJsonObject> root = parseJsonObject(json);
    if (!root)
        return std::nullopt;
    const QJsonObject format = root->value(u"format"_qs).toObject();
    std::optional<QJsonObject> video;
    QList<QJsonObject> audio;
    for (const QJsonObject &stream : objectsOf(root->value(u"streams"_qs))) {
        const QJsonValue type = stream.value(u"codec_type"_qs);
        if (type == u"video"_qs && !video)
            video = stream;
        else if (type == u"audio"_qs)
            audio.append(stream);
    }

    SummaryRows rows(locale);
    rows.add(MediaInfo::tr("Probe"), QStringLiteral("ffprobe"));
    rows.addFileSize(jsonInteger(format.value(u"size"_qs)), file.size);
    rows.add(MediaInfo::tr("Container"),
        firstText(format, u"format_long_name"_qs, u"format_name"_qs).value_or(file.extension.toUpper()));
    rows.addDuration(readNumber(format.value(u"duration"_qs)));
    rows.addBitRate(MediaInfo::tr("Overall bitrate"), readNumber(format.value(u"bit_rate"_qs)));

    if (!video) {
        rows.addNoVideo();
    } else {
        rows.addResolution(jsonInteger(video->value(u"width"_qs)), jsonInteger(video->value(u"height"_qs)));
        // An average rate that reads as nothing ("0/0") means no row; the nominal rate only stands in
        // when the average is missing altogether.
        const QJsonValue average = video->value(u"avg_frame_rate"_qs);
        const QJsonValue nominal = video->value(u"r_frame_rate"_qs);
        if (average.isString())
            rows.addFrameRate(readRatio(average.toString()));
        else if (nominal.isString())
            rows.addFrameRate(readRatio(nominal.toString()));
        rows.addBitRate(MediaInfo::tr("Video bitrate"), readNumber(video->value(u"bit_rate"_qs)));
        rows.add(MediaInfo::tr("Video codec"),
            withProfile(readText(video->value(u"codec_name"_qs)), readText(video->value(u"profile"_qs))));
        rows.add(MediaInfo::tr("Pixel format"), readText(video->value(u"pix_fmt"_qs)));
    }

    rows.add(MediaInfo::tr("Audio tracks"), QString::number(audio.size()));
    if (!audio.isEmpty()) {
        const QJsonObject &first = audio.constFirst();
        rows.addBitRate(MediaInfo::tr("Audio bitrate"), readNumber(first.value(u"bit_rate"_qs)));
        rows.add(MediaInfo::tr("Audio codec"), readText(first.value(u"codec_name"_qs)));
        rows.addSampleRate(readNumber(first.value(u"sample_rate"_qs)));
        const std::optional<qint64> channels = jsonInteger(first.value(u"channels"_qs));
        if (channels && *channels > 0)
            rows.add(MediaInfo::tr("Channels"), QString::number(*channels));
        rows.add(MediaInfo::tr("Audio language"), readString(first.value(u"tags"_qs).toObject().value(u"language"_qs)));
    }
    AudioList labels;
    for (qsizetype index = 0; index < audio.size() && !labels.isFull(); ++index) {
        const QJsonObject tags = audio[index].value(u"tags"_qs).toObject();
        labels.append(
            audioLabel(index, readText(audio[index].value(u"codec_name"_qs)), readText(tags.value(u"language"_qs))));
    }
    labels.addTo(rows);
    return rows.take();
}

} // namespace tolvane
