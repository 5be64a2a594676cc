#pragma once

#include <QStringView>
#include <QTextBoundaryFinder>

#include <optional>
#include <vector>

namespace tolvane {

/// Steps over the user-perceived characters (grapheme clusters) of a long text, with the same
/// results as a QTextBoundaryFinder over the whole text, but finding boundaries only around the
/// positions asked about: a result page is megabytes long, its link windows a few hundred
/// characters. The text must outlive this object.
class PageGraphemes {
public:
    explicit PageGraphemes(QStringView text);

    /// The position `count` characters before `position`, or 0 when the text starts sooner.
    qsizetype back(qsizetype position, int count);

    /// The position `count` characters after `position`, or the text's end when it ends sooner.
    qsizetype forward(qsizetype position, int count);

private:
    bool isBoundary(qsizetype position);
    void findBoundariesAround(qsizetype position);
    bool isSafeStart(qsizetype position) const;
    bool isSingleUnitRun(qsizetype from, qsizetype to);
    bool hasOnlySingleUnits(qsizetype from, qsizetype to) const;

    bool segmentsWhole();

    QStringView m_text;
    /// Per position: 0 not yet known, 1 inside a character, 2 a boundary. Empty until needed.
    std::vector<unsigned char> m_state;
    /// For texts that Qt segments by script runs, a finder over the whole text.
    std::optional<QTextBoundaryFinder> m_whole;
    bool m_checkedScripts = false;
    /// A stretch known to hold single-unit characters only.
    qsizetype m_simpleFrom = 0;
    qsizetype m_simpleTo = 0;
};

} // namespace tolvane
