#include "SearchStem.h"

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

// Replaces each "open … close" part (no close in between) by one space, leftmost first, as the
// patterns \[[^\]]*\] and \([^\)]*\) do.
void blankEnclosed(QString &text, QChar open, QChar close)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype start = text.indexOf(open, from);
        if (start < 0)
            return;
        const qsizetype end = text.indexOf(close, start + 1);
        if (end < 0)
            return;
        text.replace(start, end - start + 1, QLatin1Char(' '));
        from = start + 1;
    }
}

// A resolution such as 576p or 2160p (three or four digits, then "p").
bool isResolution(QStringView lowerPiece)
{
    const qsizetype digits = lowerPiece.size() - 1;
    if ((digits != 3 && digits != 4) || lowerPiece.back() != QLatin1Char('p'))
        return false;
    for (qsizetype i = 0; i < digits; ++i) {
        if (!lowerPiece.at(i).isDigit())
            return false;
    }
    return true;
}

bool isJunkLower(QStringView lower)
{
    return lower.startsWith(QLatin1String("aac")) || lower.startsWith(QLatin1String("dts")) || isResolution(lower)
        || junkTokens().contains(QString::fromRawData(lower.data(), lower.size()));
}

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// Whether a piece of a name is a release tag, resolution or codec word. Pieces of plain ASCII
// letters are lowercased on the stack and only the short ones can be junk, so most of the words
// of a name cost no allocation.
bool isJunk(QStringView piece)
{
    constexpr qsizetype longestJunk = 10; // "theatrical"
    char16_t lower[longestJunk];
    bool ascii = true;
    for (QChar c : piece) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii) // Unicode lowercasing may still yield ASCII (the Kelvin sign gives "k")
        return isJunkLower(piece.toString().toLower());
    const bool prefixed = piece.size() >= 3;
    if (piece.size() > longestJunk) {
        // Only the "aac"/"dts" prefixes can match a long piece.
        if (!prefixed)
            return false;
        for (qsizetype i = 0; i < 3; ++i)
            lower[i] = asciiLower(piece.at(i).unicode());
        const QStringView head(lower, 3);
        return head == QLatin1String("aac") || head == QLatin1String("dts");
    }
    for (qsizetype i = 0; i < piece.size(); ++i)
        lower[i] = asciiLower(piece.at(i).unicode());
    return isJunkLower(QStringView(lower, piece.size()));
}

} // namespace

QStringList videoExtensionList()
{
    QStringList list(videoExtensions().begin(), videoExtensions().end());
    list.sort();
    return list;
}

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

// Hand-written scans rather than regular expressions: stems are derived for every file of a drop.
QString deriveSearchStem(const QString &nameWithoutExtension)
{
    QString text = nameWithoutExtension;
    blankEnclosed(text, QLatin1Char('['), QLatin1Char(']'));
    blankEnclosed(text, QLatin1Char('('), QLatin1Char(')'));

    // Dots, underscores, plus signs and hyphens separate words just as white space does.
    const auto isBreak = [&text](qsizetype at) {
        const QChar c = text.at(at);
        return c.isSpace() || c == QLatin1Char('.') || c == QLatin1Char('_') || c == QLatin1Char('+')
            || c == QLatin1Char('-');
    };
    QString stem;
    stem.reserve(text.size());
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size) {
        while (i < size && isBreak(i))
            ++i;
        const qsizetype start = i;
        while (i < size && !isBreak(i))
            ++i;
        if (start == i)
            break;
        const QStringView piece = QStringView(text).mid(start, i - start);
        if (isJunk(piece))
            continue;
        if (!stem.isEmpty())
            stem += QLatin1Char(' ');
        stem += piece;
    }
    stem.squeeze();
    return stem;
}

} // namespace tolvane
