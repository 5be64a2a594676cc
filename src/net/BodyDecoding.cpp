#include "net/BodyDecoding.h"

#include <brotli/decode.h>
#include <zlib.h>

#include <QCoreApplication>
#include <QList>
#include <QStringDecoder>

#include <cctype>
#include <memory>

namespace tolvane {

namespace {

constexpr qsizetype chunkSize = 64 * 1024;

enum class ZlibFormat { gzip, zlibWrapped, raw };

std::optional<QByteArray> inflateBody(const QByteArray &input, ZlibFormat format)
{
    z_stream stream{};
    const int windowBits = format == ZlibFormat::gzip ? 15 + 16 : format == ZlibFormat::raw ? -15 : 15;
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return std::nullopt;
    std::unique_ptr<z_stream, int (*)(z_stream *)> guard(&stream, inflateEnd);

    QByteArray output;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
    // Bodies above 4 GiB never get here: the decoded-size cap stops them long before.
    stream.avail_in = static_cast<uInt>(input.size());
    for (;;) {
        const qsizetype used = output.size();
        if (used >= maximumDecodedBodySize)
            return std::nullopt;
        output.resize(used + chunkSize);
        stream.next_out = reinterpret_cast<Bytef *>(output.data() + used);
        stream.avail_out = static_cast<uInt>(chunkSize);
        const int status = inflate(&stream, Z_NO_FLUSH);
        output.resize(output.size() - stream.avail_out);
        if (status == Z_STREAM_END) {
            // Concatenated gzip members are one body; anything else after the end is ignored.
            const bool anotherMember = format == ZlibFormat::gzip && stream.avail_in >= 2 && stream.next_in[0] == 0x1f
                && stream.next_in[1] == 0x8b;
            if (!anotherMember)
                return output;
            if (inflateReset(&stream) != Z_OK)
                return std::nullopt;
            continue;
        }
        if (status != Z_OK)
            return std::nullopt;
        if (stream.avail_in == 0 && stream.avail_out != 0)
            return std::nullopt; // the stream stops before its end
    }
}

std::optional<QByteArray> decodeBrotli(const QByteArray &input)
{
    std::unique_ptr<BrotliDecoderState, void (*)(BrotliDecoderState *)> state(
        BrotliDecoderCreateInstance(nullptr, nullptr, nullptr), BrotliDecoderDestroyInstance);
    if (!state)
        return std::nullopt;
    QByteArray output;
    size_t availableIn = static_cast<size_t>(input.size());
    auto nextIn = reinterpret_cast<const uint8_t *>(input.constData());
    for (;;) {
        const qsizetype used = output.size();
        if (used >= maximumDecodedBodySize)
            return std::nullopt;
        output.resize(used + chunkSize);
        size_t availableOut = chunkSize;
        auto nextOut = reinterpret_cast<uint8_t *>(output.data() + used);
        const BrotliDecoderResult result
            = BrotliDecoderDecompressStream(state.get(), &availableIn, &nextIn, &availableOut, &nextOut, nullptr);
        output.resize(output.size() - static_cast<qsizetype>(availableOut));
        switch (result) {
        case BROTLI_DECODER_RESULT_SUCCESS:
            return output;
        case BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT:
            continue;
        case BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT: // the stream stops before its end
        case BROTLI_DECODER_RESULT_ERROR:
            return std::nullopt;
        }
    }
}

/// The value of `charset=` in `text` (already lower-cased), without quotes; empty when absent.
QByteArray charsetParameter(QByteArrayView text)
{
    for (qsizetype at = text.indexOf("charset"); at >= 0; at = text.indexOf("charset", at + 7)) {
        qsizetype i = at + 7;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size() || text[i] != '=')
            continue;
        ++i;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '"' || text[i] == '\''))
            ++i;
        const qsizetype start = i;
        while (i < text.size()
            && (std::isalnum(uchar(text[i])) || text[i] == '-' || text[i] == '_' || text[i] == '.' || text[i] == ':'))
            ++i;
        if (i > start)
            return text.sliced(start, i - start).toByteArray();
    }
    return {};
}

/// Well-formed multi-byte sequences and malformed bytes in `bytes`, as a UTF-8 decoder sees them.
struct Utf8Census {
    qsizetype multiByte = 0;
    qsizetype malformed = 0;
};

Utf8Census utf8Census(QByteArrayView bytes)
{
    Utf8Census census;
    const auto continuation = [&](qsizetype at, uchar low = 0x80, uchar high = 0xBF) {
        return at < bytes.size() && uchar(bytes[at]) >= low && uchar(bytes[at]) <= high;
    };
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar lead = uchar(bytes[i]);
        qsizetype length = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF)
            length = continuation(i + 1) ? 2 : 0;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = continuation(i + 1, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF) && continuation(i + 2)
                ? 3
                : 0;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = continuation(i + 1, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF) && continuation(i + 2)
                    && continuation(i + 3)
                ? 4
                : 0;
        if (length == 0) {
            ++census.malformed;
            ++i;
        } else {
            ++census.multiByte;
            i += length;
        }
    }
    return census;
}

std::optional<QString> decodeAs(const QByteArray &charset, const QByteArray &body)
{
    if (charset == "utf-8" || charset == "utf8")
        return QString::fromUtf8(body);
    // Pages that say Latin-1 or ASCII are read byte for byte.
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii" || charset == "ascii")
        return QString::fromLatin1(body);
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid())
        return std::nullopt;
    return decoder.decode(body);
}

} // namespace

QByteArray declaredCharset(const QByteArray &contentType, const QByteArray &body)
{
    const QByteArray fromHeader = charsetParameter(contentType.toLower());
    if (!fromHeader.isEmpty())
        return fromHeader;
    const QByteArray head = body.left(1024).toLower();
    for (qsizetype meta = head.indexOf("<meta"); meta >= 0; meta = head.indexOf("<meta", meta + 5)) {
        const qsizetype end = head.indexOf('>', meta);
        const QByteArray charset
            = charsetParameter(QByteArrayView(head).sliced(meta, (end < 0 ? head.size() : end) - meta));
        if (!charset.isEmpty())
            return charset;
    }
    return {};
}

QString decodeBodyText(const QByteArray &body, const QByteArray &contentType)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(body.sliced(3));
    const QByteArray charset = declaredCharset(contentType, body);
    if (!charset.isEmpty()) {
        if (std::optional<QString> text = decodeAs(charset, body))
            return *std::move(text);
    }
    const Utf8Census census = utf8Census(body);
    return census.multiByte > census.malformed || census.malformed == 0 ? QString::fromUtf8(body)
                                                                        : QString::fromLatin1(body);
}

std::optional<QByteArray> decodeContentEncoding(
    const QByteArray &body, const QByteArray &contentEncoding, QString *error)
{
    QList<QByteArray> codings;
    for (const QByteArray &part : contentEncoding.split(',')) {
        const QByteArray coding = part.trimmed().toLower();
        if (!coding.isEmpty() && coding != "identity")
            codings.append(coding);
    }

    QByteArray decoded = body;
    // The last coding listed was applied last, so it comes off first.
    for (auto coding = codings.crbegin(); coding != codings.crend(); ++coding) {
        if (decoded.isEmpty())
            break; // a bodiless reply (HEAD, 204, 304) may still name its coding
        std::optional<QByteArray> step;
        if (*coding == "gzip" || *coding == "x-gzip") {
            step = inflateBody(decoded, ZlibFormat::gzip);
        } else if (*coding == "deflate") {
            // Servers disagree on whether "deflate" carries the zlib wrapper; browsers take both.
            step = inflateBody(decoded, ZlibFormat::zlibWrapped);
            if (!step)
                step = inflateBody(decoded, ZlibFormat::raw);
        } else if (*coding == "br") {
            step = decodeBrotli(decoded);
        } else {
            *error = QCoreApplication::translate(
                "TransportError", "The server sent the response in an unsupported encoding (“%1”).")
                         .arg(QString::fromLatin1(*coding));
            return std::nullopt;
        }
        if (!step) {
            *error = QCoreApplication::translate(
                "TransportError", "The response could not be decoded: its %1 data is damaged or too large.")
                         .arg(QString::fromLatin1(*coding));
            return std::nullopt;
        }
        decoded = std::move(*step);
    }
    return decoded;
}

} // namespace tolvane
