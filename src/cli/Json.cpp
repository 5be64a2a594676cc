#include "Json.h"

namespace tolvane::cli {

QString jsonString(const QString &text)
{
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('"');
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            quoted += QLatin1String("\\\"");
            break;
        case u'\\':
            quoted += QLatin1String("\\\\");
            break;
        case u'\n':
            quoted += QLatin1String("\\n");
            break;
        case u'\t':
            quoted += QLatin1String("\\t");
            break;
        case u'\r':
            quoted += QLatin1String("\\r");
            break;
        default:
            if (c.unicode() < 0x20 || c.isSurrogate())
                quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                quoted += c;
        }
    }
    quoted += QLatin1Char('"');
    return quoted;
}

QString jsonString(const std::optional<QString> &text)
{
    return text ? jsonString(*text) : QStringLiteral("null");
}

QString jsonNumber(std::optional<int> number)
{
    return number ? QString::number(*number) : QStringLiteral("null");
}

} // namespace tolvane::cli
