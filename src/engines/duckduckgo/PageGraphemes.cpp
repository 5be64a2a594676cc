#include "engines/duckduckgo/PageGraphemes.h"

#include "core/Text.h"

#include <algorithm>
#include <cstring>

namespace tolvane {

namespace {

enum : unsigned char { unknown = 0, inside = 1, boundary = 2 };

/// Boundaries are found in pieces of at least this many code units, so that the finder's set-up
/// cost is shared by the windows of neighbouring links.
constexpr qsizetype minimumPiece = 2048;

bool isASCII(QChar c)
{
    return c.unicode() < 0x80;
}

/// Scripts whose characters Qt groups by syllables of the whole script run rather than by the
/// Unicode rules alone: their boundaries depend on where the run starts, so they cannot be found
/// piece by piece.
bool isSegmentedByRun(QChar::Script script)
{
    return (script >= QChar::Script_Devanagari && script <= QChar::Script_Sinhala) || script == QChar::Script_Thai
        || script == QChar::Script_Tibetan || script == QChar::Script_Myanmar || script == QChar::Script_Khmer;
}

} // namespace

PageGraphemes::PageGraphemes(QStringView text)
    : m_text(text)
{
}

// Between two ASCII units, the first not a CR (which joins a following LF), there is always a
// boundary, and nothing before it changes where the following boundaries fall: no rule of the
// segmentation looks back across it. A piece of the text that starts and ends at such places (or
// at the text's ends) is therefore segmented exactly as the whole text is.
bool PageGraphemes::isSafeStart(qsizetype position) const
{
    const QChar before = m_text[position - 1];
    return isASCII(before) && before != u'\r' && isASCII(m_text[position]);
}

/// True when every unit in [from, to) is a character of its own: ASCII without CR. Result pages are
/// mostly such text, which needs no segmentation at all.
bool PageGraphemes::isSingleUnitRun(qsizetype from, qsizetype to)
{
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, m_text.size());
    // Windows of neighbouring links overlap: only the part beyond the run known already is read.
    if (from >= m_simpleFrom && to <= m_simpleTo)
        return true;
    if (from >= m_simpleFrom && from <= m_simpleTo) {
        if (!hasOnlySingleUnits(m_simpleTo, to))
            return false;
        m_simpleTo = to;
        return true;
    }
    if (to >= m_simpleFrom && to <= m_simpleTo) {
        if (!hasOnlySingleUnits(from, m_simpleFrom))
            return false;
        m_simpleFrom = from;
        return true;
    }
    if (!hasOnlySingleUnits(from, to))
        return false;
    m_simpleFrom = from;
    m_simpleTo = to;
    return true;
}

bool PageGraphemes::hasOnlySingleUnits(qsizetype from, qsizetype to) const
{
    // Four units at a time: none at or above 0x80 and none a CR.
    constexpr quint64 highBits = 0xFF80FF80FF80FF80u;
    constexpr quint64 ones = 0x0001000100010001u;
    constexpr quint64 signs = 0x8000800080008000u;
    const char16_t *units = m_text.utf16();
    qsizetype i = from;
    for (; i + 4 <= to; i += 4) {
        quint64 word;
        std::memcpy(&word, units + i, sizeof word);
        const quint64 cr = word ^ (ones * u'\r'); // a lane is zero where the unit is a CR
        if ((word & highBits) || ((cr - ones) & ~cr & signs))
            return false;
    }
    for (; i < to; ++i) {
        if (!isASCII(m_text[i]) || m_text[i] == u'\r')
            return false;
    }
    return true;
}

bool PageGraphemes::segmentsWhole()
{
    if (!m_checkedScripts) {
        m_checkedScripts = true;
        // Every such script lies above U+0800; text below it needs no lookup.
        for (qsizetype i = indexOfWideUnit(m_text); i >= 0; i = indexOfWideUnit(m_text, i + 1)) {
            const QChar c = m_text[i];
            char32_t codePoint = c.unicode();
            if (c.isHighSurrogate() && i + 1 < m_text.size() && m_text[i + 1].isLowSurrogate())
                codePoint = QChar::surrogateToUcs4(c, m_text[++i]);
            if (isSegmentedByRun(QChar::script(codePoint))) {
                m_whole.emplace(QTextBoundaryFinder::Grapheme, m_text);
                break;
            }
        }
    }
    return m_whole.has_value();
}

qsizetype PageGraphemes::back(qsizetype position, int count)
{
    if (isSingleUnitRun(position - count - 1, position))
        return std::max<qsizetype>(position - count, 0);
    if (segmentsWhole()) {
        qsizetype at = position;
        m_whole->setPosition(position);
        for (int i = 0; i < count && at > 0; ++i)
            at = std::max<qsizetype>(m_whole->toPreviousBoundary(), 0);
        return at;
    }
    qsizetype at = position;
    for (int i = 0; i < count && at > 0; ++i) {
        --at;
        while (at > 0 && !isBoundary(at))
            --at;
    }
    return at;
}

qsizetype PageGraphemes::forward(qsizetype position, int count)
{
    if (isSingleUnitRun(position, position + count + 1))
        return std::min(position + count, m_text.size());
    if (segmentsWhole()) {
        qsizetype at = position;
        m_whole->setPosition(position);
        for (int i = 0; i < count && at < m_text.size(); ++i) {
            const qsizetype next = m_whole->toNextBoundary();
            at = next < 0 ? m_text.size() : next;
        }
        return at;
    }
    qsizetype at = position;
    for (int i = 0; i < count && at < m_text.size(); ++i) {
        ++at;
        while (at < m_text.size() && !isBoundary(at))
            ++at;
    }
    return at;
}

bool PageGraphemes::isBoundary(qsizetype position)
{
    if (m_state.empty()) {
        m_state.assign(size_t(m_text.size()) + 1, unknown);
        m_state.back() = boundary;
    }
    if (m_state[size_t(position)] == unknown)
        findBoundariesAround(position);
    return m_state[size_t(position)] == boundary;
}

void PageGraphemes::findBoundariesAround(qsizetype position)
{
    // A known piece ends at a safe place or the text's end, and starts at one or at 0: the unknown
    // stretch around `position` is widened only up to those, or to the nearest safe places.
    qsizetype from = position;
    while (from > 0 && m_state[size_t(from - 1)] == unknown && !isSafeStart(from))
        --from;
    const qsizetype size = m_text.size();
    qsizetype to = position + 1;
    while (to < size && m_state[size_t(to)] == unknown && !(to - from >= minimumPiece && isSafeStart(to)))
        ++to;

    const QStringView piece = m_text.sliced(from, to - from);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, piece);
    std::fill(m_state.begin() + from, m_state.begin() + to, inside);
    m_state[size_t(from)] = boundary;
    for (qsizetype next = finder.toNextBoundary(); next > 0 && next < piece.size(); next = finder.toNextBoundary())
        m_state[size_t(from + next)] = boundary;
}

} // namespace tolvane
