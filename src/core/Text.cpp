#include "core/Text.h"

#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstring>

namespace tolvane {

std::optional<QString> strictUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

QString terminalSafe(const QString &text)
{
    const auto unsafe = [](char16_t c) {
        return c < 0x20 || (c >= 0x7f && c < 0xa0) || QChar::category(c) == QChar::Other_Format;
    };
    if (std::none_of(text.cbegin(), text.cend(), [&](QChar c) { return unsafe(c.unicode()); }))
        return text;
    QString safe;
    safe.reserve(text.size() + 8);
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (!unsafe(c)) {
            safe.append(qc);
            continue;
        }
        switch (c) {
        case u'\n':
            safe.append(u"\\n");
            break;
        case u'\t':
            safe.append(u"\\t");
            break;
        case u'\r':
            safe.append(u"\\r");
            break;
        case 0x1b:
            safe.append(u"\\e");
            break;
        default:
            safe.append(c < 0x100 ? u"\\x"_qs : u"\\u"_qs);
            safe.append(QString::number(int(c), 16).toUpper().rightJustified(c < 0x100 ? 2 : 4, u'0'));
        }
    }
    return safe;
}

qsizetype graphemeCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

qsizetype indexOfWideUnit(QStringView text, qsizetype from)
{
    constexpr quint64 wideBits = 0xF800F800F800F800u;
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = std::max<qsizetype>(from, 0);
    for (; i + 4 <= size; i += 4) {
        quint64 word;
        std::memcpy(&word, units + i, sizeof word);
        if (word & wideBits)
            break;
    }
    for (; i < size; ++i) {
        if (units[i] >= 0x0800)
            return i;
    }
    return -1;
}

QString leftGraphemes(const QString &text, qsizetype count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        end = next;
    }
    return text.left(end);
}

} // namespace tolvane
