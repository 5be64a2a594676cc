#include "core/Text.h"

#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <algorithm>

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
