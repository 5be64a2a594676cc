#include "BinaryCookies.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace tolvane {

namespace {

// Sizes and offsets are 32-bit in the file; all arithmetic on them is done in 64 bits so that a
// hostile value near 2^32 cannot wrap around and pass a bounds test.
using Size = quint64;

constexpr Size fileHeaderSize = 8;
constexpr Size pageHeaderSize = 8;
constexpr Size recordHeaderSize = 56;

// Apple's clocks count from 2001-01-01T00:00:00Z; this is that instant in Unix seconds.
constexpr qint64 referenceDateUnixSeconds = 978307200;

quint32 bigEndian32(const char *p)
{
    return qFromBigEndian<quint32>(p);
}

quint32 littleEndian32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

double littleEndianDouble(const char *p)
{
    const quint64 bits = qFromLittleEndian<quint64>(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Zero, negative and non-finite expiries mean a session cookie. Values beyond what a date can
// reasonably hold are clamped to the last millisecond of year 9999 rather than rejected: the
// file meant "far in the future", so the cookie is kept and keeps being sent.
std::optional<QDateTime> expiryFromAppleSeconds(double seconds)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return std::nullopt;
    static const QDateTime latest(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC);
    static const double latestSeconds = double(latest.toMSecsSinceEpoch()) / 1000.0 - referenceDateUnixSeconds;
    if (seconds >= latestSeconds)
        return latest;
    const qint64 msecs = std::llround(seconds * 1000.0) + referenceDateUnixSeconds * 1000;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

// Browsers write UTF-8; anything that is not valid UTF-8 is taken byte for byte as Latin-1 so
// that no byte is lost or replaced.
QString decodeText(QByteArrayView bytes)
{
    QStringDecoder utf8(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// A string runs from its offset to its first zero byte or the end of the record.
// None when the offset lies outside the record.
std::optional<QString> recordString(const char *record, Size recordSize, quint32 offset)
{
    if (offset >= recordSize)
        return std::nullopt;
    const char *start = record + offset;
    const Size room = recordSize - offset;
    const void *zero = std::memchr(start, 0, room);
    const Size length = zero ? Size(static_cast<const char *>(zero) - start) : room;
    return decodeText(QByteArrayView(start, qsizetype(length)));
}

std::optional<Cookie> parseRecord(const char *record, Size recordSize)
{
    const quint32 flags = littleEndian32(record + 8);
    const std::optional<QString> domain = recordString(record, recordSize, littleEndian32(record + 16));
    const std::optional<QString> name = recordString(record, recordSize, littleEndian32(record + 20));
    const std::optional<QString> path = recordString(record, recordSize, littleEndian32(record + 24));
    const std::optional<QString> value = recordString(record, recordSize, littleEndian32(record + 28));
    if (!domain || !name || !path || !value || name->isEmpty())
        return std::nullopt;

    Cookie cookie;
    cookie.name = *name;
    cookie.value = *value;
    cookie.domain = domain->toLower();
    cookie.path = path->isEmpty() ? QStringLiteral("/") : *path;
    cookie.expires = expiryFromAppleSeconds(littleEndianDouble(record + 40));
    cookie.secure = (flags & 1) != 0;
    return cookie;
}

// Damaged records are skipped one by one, so one bad cookie does not cost its neighbours.
void parsePage(const char *page, Size pageSize, QList<Cookie> &cookies)
{
    if (pageSize < pageHeaderSize)
        return;
    const Size count = littleEndian32(page + 4);
    if (count == 0 || pageSize < pageHeaderSize + 4 * count)
        return;
    for (Size i = 0; i < count; ++i) {
        const Size offset = littleEndian32(page + pageHeaderSize + 4 * i);
        if (offset > pageSize || pageSize - offset < recordHeaderSize)
            continue;
        const char *record = page + offset;
        const Size recordSize = littleEndian32(record);
        if (recordSize < recordHeaderSize || recordSize > pageSize - offset)
            continue;
        if (std::optional<Cookie> cookie = parseRecord(record, recordSize))
            cookies.append(std::move(*cookie));
    }
}

} // namespace

QString binaryCookiesErrorText(BinaryCookiesError error)
{
    switch (error) {
    case BinaryCookiesError::badMagic:
        return QCoreApplication::translate("BinaryCookies", "The file is not a binary cookie file (bad magic)");
    case BinaryCookiesError::truncated:
        return QCoreApplication::translate("BinaryCookies", "The file is truncated");
    }
    return QCoreApplication::translate("BinaryCookies", "The file could not be parsed");
}

QList<Cookie> parseBinaryCookies(const QByteArray &data)
{
    const char *bytes = data.constData();
    const Size size = Size(data.size());
    if (size < fileHeaderSize)
        throw BinaryCookiesError::truncated;
    if (std::memcmp(bytes, "cook", 4) != 0)
        throw BinaryCookiesError::badMagic;

    // Checked before anything is allocated, so a huge page count in a tiny file costs nothing.
    const Size pageCount = bigEndian32(bytes + 4);
    if (size < fileHeaderSize + 4 * pageCount)
        throw BinaryCookiesError::truncated;

    QList<Cookie> cookies;
    Size position = fileHeaderSize + 4 * pageCount;
    for (Size i = 0; i < pageCount; ++i) {
        const Size pageSize = bigEndian32(bytes + fileHeaderSize + 4 * i);
        if (pageSize > size - position)
            throw BinaryCookiesError::truncated;
        parsePage(bytes + position, pageSize, cookies);
        position += pageSize;
    }
    return cookies;
}

} // namespace tolvane
