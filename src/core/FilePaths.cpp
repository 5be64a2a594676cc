#include "core/FilePaths.h"

#include "core/Text.h"

#include <QStringDecoder>

#include <cstring>

namespace tolvane {

QByteArray nativePath(const QUrl &fileURL)
{
    if (!fileURL.isLocalFile())
        return {};
    return QByteArray::fromPercentEncoding(fileURL.path(QUrl::FullyEncoded).toLatin1());
}

QUrl fileURL(QByteArrayView nativePath)
{
    // Everything but unreserved characters and "/" encoded, so the URL holds the bytes as they are.
    const QByteArray encoded = nativePath.toByteArray().toPercentEncoding("/");
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(QString::fromLatin1(encoded), QUrl::TolerantMode);
    return url;
}

namespace {

bool isAscii(QByteArrayView bytes)
{
    // Eight bytes a step: names are read for every file of a drop, and nearly all are ASCII.
    const char *at = bytes.data();
    const char *end = at + bytes.size();
    quint64 high = 0;
    for (; end - at >= 8; at += 8) {
        quint64 word;
        std::memcpy(&word, at, sizeof word);
        high |= word;
    }
    for (; at < end; ++at)
        high |= static_cast<unsigned char>(*at);
    return (high & 0x8080808080808080ULL) == 0;
}

// The position of the last "/", or -1.
qsizetype lastSlash(QByteArrayView path)
{
    const void *slash = path.isEmpty() ? nullptr : memrchr(path.data(), '/', size_t(path.size()));
    return slash ? static_cast<const char *>(slash) - path.data() : -1;
}

} // namespace

QString readableName(QByteArrayView bytes)
{
    if (isAscii(bytes)) // UTF-8 as it is, decoded without the decoder's checks
        return QString::fromLatin1(bytes);
    if (std::optional<QString> text = strictUtf8(bytes))
        return *text;
    // Russian in CP1251 writes whole words of bytes from 0xC0 up; Western Latin-1 names carry an
    // accented letter here and there between ASCII ones.
    qsizetype run = 0;
    bool cyrillicRun = false;
    for (const char c : bytes) {
        run = static_cast<unsigned char>(c) >= 0xC0 ? run + 1 : 0;
        if (run >= 3) {
            cyrillicRun = true;
            break;
        }
    }
    if (cyrillicRun) {
        QStringDecoder cp1251("windows-1251");
        if (cp1251.isValid())
            return cp1251.decode(bytes);
    }
    return QString::fromLatin1(bytes);
}

QByteArray nativeFileName(QByteArrayView nativePath)
{
    const qsizetype slash = lastSlash(nativePath);
    return nativePath.sliced(slash + 1).toByteArray();
}

QByteArray nativeFolder(QByteArrayView nativePath)
{
    const qsizetype slash = lastSlash(nativePath);
    return slash <= 0 ? QByteArray("/") : nativePath.first(slash).toByteArray();
}

} // namespace tolvane
