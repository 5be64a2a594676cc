#include "core/Year.h"

namespace tolvane {

namespace {

bool isDigitAt(const QString &text, qsizetype index)
{
    return index >= 0 && index < text.size() && text.at(index).isDigit();
}

} // namespace

std::optional<int> detectedYear(const QString &text)
{
    for (qsizetype i = 0; i + 4 <= text.size(); ++i) {
        const QChar c0 = text.at(i), c1 = text.at(i + 1);
        const bool century
            = (c0 == QLatin1Char('1') && c1 == QLatin1Char('9')) || (c0 == QLatin1Char('2') && c1 == QLatin1Char('0'));
        if (!century || !isDigitAt(text, i + 2) || !isDigitAt(text, i + 3) || isDigitAt(text, i - 1)
            || isDigitAt(text, i + 4))
            continue;
        // The first standing-alone match decides; digits of other scripts give no year.
        bool ok = false;
        const int year = text.mid(i, 4).toInt(&ok);
        if (!ok)
            return std::nullopt;
        return year;
    }
    return std::nullopt;
}

} // namespace tolvane
