#include "SearchStem.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace tolvane {

namespace {

QSet<QString> wordSet(std::initializer_list<const char *> words)
{
    QSet<QString> set;
    for (const char *word : words)
        set.insert(QString::fromLatin1(word));
    return set;
}

const QSet<QString> &videoExtensions()
{
    static const QSet<QString> set = wordSet({"mkv", "mp4", "m4v", "avi", "mov", "wmv", "mpg", "mpeg", "ts", "m2ts",
        "mts", "vob", "flv", "webm", "ogv", "3gp"});
    return set;
}

// Entries with "-" or "+" never match (those characters split tokens first); they stay as listed.
const QSet<QString> &junkTokens()
{
    static const QSet<QString> set = wordSet({"720p", "1080p", "1440p", "2160p", "4k", "8k", "bluray", "blu-ray",
        "bdrip", "brrip", "bdremux", "remux", "webrip", "web-dl", "webdl", "web", "hdtv", "hdrip", "dvdrip", "dvdscr",
        "x264", "x265", "h264", "h265", "hevc", "avc", "av1", "xvid", "divx", "aac", "ac3", "dts", "truehd", "atmos",
        "flac", "mp3", "opus", "hdr", "hdr10", "hdr10+", "dv", "dovi", "sdr", "10bit", "8bit", "proper", "repack",
        "internal", "limited", "extended", "theatrical", "unrated", "directors", "cut", "multi", "dual", "audio",
        "subs", "subbed", "dubbed", "yts", "yify", "rarbg", "sparks", "ctrlhd", "framestor", "ntb", "amzn", "nf",
        "dsnp", "hulu", "hmax", "it", "sample", "trailer", "nfo", "readnfo"});
    return set;
}

QRegularExpression unicodeRegex(const char *pattern)
{
    return QRegularExpression(QString::fromUtf8(pattern), QRegularExpression::UseUnicodePropertiesOption);
}

} // namespace

bool isVideoExtension(const QString &extension)
{
    return videoExtensions().contains(extension.toLower());
}

QString pathExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == fileName.size() - 1)
        return {};
    return fileName.mid(dot + 1);
}

QString deletingPathExtension(const QString &fileName)
{
    const QString extension = pathExtension(fileName);
    return extension.isEmpty() ? fileName : fileName.left(fileName.size() - extension.size() - 1);
}

QString deriveSearchStem(const QString &nameWithoutExtension)
{
    static const QRegularExpression bracketed = unicodeRegex(R"(\[[^\]]*\])");
    static const QRegularExpression parenthesized = unicodeRegex(R"(\([^\)]*\))");
    static const QRegularExpression separators = unicodeRegex(R"([._+\-]+)");
    static const QRegularExpression whitespace = unicodeRegex(R"(\s+)");
    static const QRegularExpression resolution = unicodeRegex(R"(^\d{3,4}p$)");

    QString text = nameWithoutExtension;
    text.replace(bracketed, QStringLiteral(" "));
    text.replace(parenthesized, QStringLiteral(" "));
    text.replace(separators, QStringLiteral(" "));

    QStringList kept;
    const QStringList pieces = text.split(whitespace, Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        const QString lower = piece.toLower();
        if (junkTokens().contains(lower) || lower.startsWith(QLatin1String("aac"))
            || lower.startsWith(QLatin1String("dts")) || resolution.match(lower).hasMatch())
            continue;
        kept.append(piece);
    }
    return kept.join(QLatin1Char(' ')).trimmed();
}

std::optional<int> detectedYear(const QString &text)
{
    static const QRegularExpression year = unicodeRegex(R"((?<!\d)((?:19|20)\d{2})(?!\d))");
    const QRegularExpressionMatch match = year.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = match.captured(1).toInt(&ok);
    if (!ok || value < 1900 || value > 2099)
        return std::nullopt;
    return value;
}

} // namespace tolvane
