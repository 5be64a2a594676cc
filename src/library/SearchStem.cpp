#include "SearchStem.h"

#include <QStringList>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <string_view>

namespace tolvane {

namespace {

using namespace std::string_view_literals;

// Words of up to ten characters of a-z, 0-9, "+" and "-" packed six bits a character into one
// integer; zero for any other word. The tables below are looked up by these codes: every file of a
// drop is checked for its extension, and every word of a video's name for junk.
constexpr qsizetype longestCoded = 10; // "theatrical"

template<typename Char> constexpr quint64 wordCode(std::basic_string_view<Char> word)
{
    if (word.size() == 0 || qsizetype(word.size()) > longestCoded)
        return 0;
    quint64 code = 0;
    for (const Char c : word) {
        quint64 value;
        if (c >= 'a' && c <= 'z')
            value = quint64(c - 'a') + 1;
        else if (c >= '0' && c <= '9')
            value = quint64(c - '0') + 27;
        else if (c == '+' || c == '-')
            value = c == '+' ? 37 : 38;
        else
            return 0;
        code = code << 6 | value;
    }
    return code;
}

template<size_t N> constexpr std::array<quint64, N> sortedCodes(const std::array<std::string_view, N> &words)
{
    std::array<quint64, N> codes{};
    for (size_t i = 0; i < N; ++i)
        codes[i] = wordCode(words[i]);
    std::sort(codes.begin(), codes.end());
    return codes;
}

template<size_t N> bool inTable(const std::array<quint64, N> &codes, QStringView lower)
{
    const quint64 code = wordCode(std::u16string_view(lower.utf16(), size_t(lower.size())));
    return code != 0 && std::binary_search(codes.begin(), codes.end(), code);
}

constexpr std::array videoExtensionNames{"3gp"sv, "avi"sv, "flv"sv, "m2ts"sv, "m4v"sv, "mkv"sv, "mov"sv, "mp4"sv,
    "mpeg"sv, "mpg"sv, "mts"sv, "ogv"sv, "ts"sv, "vob"sv, "webm"sv, "wmv"sv};
constexpr auto videoExtensions = sortedCodes(videoExtensionNames);

// Entries with "-" or "+" never match (those characters split tokens first); they stay as listed.
constexpr std::array junkTokenNames{"1080p"sv, "10bit"sv, "1440p"sv, "2160p"sv, "4k"sv, "720p"sv, "8bit"sv, "8k"sv,
    "aac"sv, "ac3"sv, "amzn"sv, "atmos"sv, "audio"sv, "av1"sv, "avc"sv, "bdremux"sv, "bdrip"sv, "blu-ray"sv, "bluray"sv,
    "brrip"sv, "ctrlhd"sv, "cut"sv, "directors"sv, "divx"sv, "dovi"sv, "dsnp"sv, "dts"sv, "dual"sv, "dubbed"sv, "dv"sv,
    "dvdrip"sv, "dvdscr"sv, "extended"sv, "flac"sv, "framestor"sv, "h264"sv, "h265"sv, "hdr"sv, "hdr10"sv, "hdr10+"sv,
    "hdrip"sv, "hdtv"sv, "hevc"sv, "hmax"sv, "hulu"sv, "internal"sv, "it"sv, "limited"sv, "mp3"sv, "multi"sv, "nf"sv,
    "nfo"sv, "ntb"sv, "opus"sv, "proper"sv, "rarbg"sv, "readnfo"sv, "remux"sv, "repack"sv, "sample"sv, "sdr"sv,
    "sparks"sv, "subbed"sv, "subs"sv, "theatrical"sv, "trailer"sv, "truehd"sv, "unrated"sv, "web"sv, "web-dl"sv,
    "webdl"sv, "webrip"sv, "x264"sv, "x265"sv, "xvid"sv, "yify"sv, "yts"sv};
constexpr auto junkTokens = sortedCodes(junkTokenNames);

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

// Starts with "aac" or "dts" (audio codecs followed by their variants).
bool hasCodecPrefix(QStringView lower)
{
    if (lower.size() < 3)
        return false;
    const char16_t a = lower[0].unicode(), b = lower[1].unicode(), c = lower[2].unicode();
    return (a == u'a' && b == u'a' && c == u'c') || (a == u'd' && b == u't' && c == u's');
}

bool isJunkLower(QStringView lower)
{
    return hasCodecPrefix(lower) || isResolution(lower) || inTable(junkTokens, lower);
}

// The six-bit value wordCode gives an ASCII character, capitals as their small letters; zero for
// a character no coded word holds.
constexpr std::array<quint8, 128> codeValues = [] {
    std::array<quint8, 128> values{};
    for (char c = 'a'; c <= 'z'; ++c)
        values[size_t(c)] = values[size_t(c - 'a' + 'A')] = quint8(wordCode(std::string_view(&c, 1)));
    for (char c : std::string_view("0123456789+-"))
        values[size_t(c)] = quint8(wordCode(std::string_view(&c, 1)));
    return values;
}();

// isJunk for a piece of ASCII characters in one pass: no lowered copy, the word's code built as
// it is read.
bool isJunkAscii(const char16_t *piece, qsizetype size)
{
    // Or'ing 0x20 lowers a capital; no other character becomes a letter that way.
    if (size >= 3) {
        const char16_t lowered[] = {char16_t(piece[0] | 0x20), char16_t(piece[1] | 0x20), char16_t(piece[2] | 0x20)};
        if (hasCodecPrefix(QStringView(lowered, 3)))
            return true;
    }
    if (size > longestCoded)
        return false;
    quint64 code = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const quint64 value = codeValues[piece[i]];
        if (value == 0) // neither a resolution nor a listed word
            return false;
        code = code << 6 | value;
    }
    // A resolution such as 576p or 2160p (three or four digits, then "p").
    if ((size == 4 || size == 5) && (piece[size - 1] | 0x20) == u'p'
        && std::all_of(piece, piece + size - 1, [](char16_t c) { return c >= u'0' && c <= u'9'; }))
        return true;
    return std::binary_search(junkTokens.begin(), junkTokens.end(), code);
}

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// Whether a piece of a name is a release tag, resolution or codec word. Pieces of plain ASCII
// letters are lowercased on the stack and only the short ones can be junk, so the words of a name
// cost no allocation.
bool isJunk(QStringView piece)
{
    char16_t lower[longestCoded];
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
    if (piece.size() > longestCoded) {
        // Only the "aac"/"dts" prefixes can match a long piece.
        if (!prefixed)
            return false;
        for (qsizetype i = 0; i < 3; ++i)
            lower[i] = asciiLower(piece.at(i).unicode());
        return hasCodecPrefix(QStringView(lower, 3));
    }
    for (qsizetype i = 0; i < piece.size(); ++i)
        lower[i] = asciiLower(piece.at(i).unicode());
    return isJunkLower(QStringView(lower, piece.size()));
}

} // namespace

QStringList videoExtensionList()
{
    QStringList list;
    for (const std::string_view extension : videoExtensionNames)
        list.append(QString::fromLatin1(extension.data(), qsizetype(extension.size())));
    return list;
}

bool isVideoExtension(QStringView extension)
{
    char16_t lower[longestCoded];
    if (extension.size() > longestCoded)
        return false;
    for (qsizetype i = 0; i < extension.size(); ++i) {
        const char16_t c = extension[i].unicode();
        if (c >= 0x80) // Unicode lowercasing may still yield ASCII (the Kelvin sign gives "k")
            return inTable(videoExtensions, extension.toString().toLower());
        lower[i] = asciiLower(c);
    }
    return inTable(videoExtensions, QStringView(lower, extension.size()));
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
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 || dot == fileName.size() - 1 ? fileName : fileName.left(dot);
}

// Hand-written scans rather than regular expressions: stems are derived for every file of a drop.
QString deriveSearchStem(QStringView nameWithoutExtension)
{
    QStringView text = nameWithoutExtension;
    QString blanked;
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c == u'[' || c == u'(' || c == u'{'; })) {
        blanked = text.toString();
        blankEnclosed(blanked, QLatin1Char('['), QLatin1Char(']'));
        blankEnclosed(blanked, QLatin1Char('('), QLatin1Char(')'));
        blankEnclosed(blanked, QLatin1Char('{'), QLatin1Char('}')); // a Plex name's tags
        text = blanked;
    }

    // Dots, underscores, plus signs and hyphens separate words just as white space does.
    const auto isBreak = [&text](qsizetype at) {
        const char16_t c = text[at].unicode();
        if (c >= 0x80)
            return QChar::isSpace(c);
        return c == u' ' || c == u'.' || c == u'_' || c == u'+' || c == u'-' || (c >= u'\t' && c <= u'\r');
    };
    // Built on the stack, then copied once into a string of its final size.
    QVarLengthArray<QChar, 256> stem;
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size) {
        while (i < size && isBreak(i))
            ++i;
        const qsizetype start = i;
        char16_t seen = 0; // every unit of the piece or'ed: ASCII while below 0x80
        while (i < size && !isBreak(i))
            seen |= text[i++].unicode();
        if (start == i)
            break;
        const QStringView piece = text.mid(start, i - start);
        if (seen < 0x80 ? isJunkAscii(piece.utf16(), piece.size()) : isJunk(piece))
            continue;
        if (!stem.isEmpty())
            stem.append(QLatin1Char(' '));
        stem.append(piece.data(), piece.size());
    }
    return QString(stem.constData(), stem.size());
}

} // namespace tolvane
