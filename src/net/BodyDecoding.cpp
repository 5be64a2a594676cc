#include "net/BodyDecoding.h"

#include <brotli/decode.h>
#include <zlib.h>

#include <QList>

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

} // namespace

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
            *error = QStringLiteral("The server sent the response in an unsupported encoding (“%1”).")
                         .arg(QString::fromLatin1(*coding));
            return std::nullopt;
        }
        if (!step) {
            *error = QStringLiteral("The response could not be decoded: its %1 data is damaged or too large.")
                         .arg(QString::fromLatin1(*coding));
            return std::nullopt;
        }
        decoded = std::move(*step);
    }
    return decoded;
}

} // namespace tolvane
