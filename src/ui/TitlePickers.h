#pragma once

#include "core/Records.h"

#include <QFrame>
#include <QList>
#include <QString>

#include <optional>

class QListView;

namespace tolvane {

/// One line of a picker: what it shows and whether it is the current choice.
struct PickerOption {
    QString mainText;
    QString secondLine; ///< empty: no second line
    bool selected = false;
    bool operator==(const PickerOption &) const = default;
};

/// The VK picker's rows: each candidate's title and year, marked when its title is exactly the
/// current one (two equal titles are both marked).
QList<PickerOption> vkPickerOptions(const QList<MovieMatch> &candidates, const std::optional<QString> &selectedTitle);
/// The VK picker's height for `count` candidates: 44 per row plus 60, at most 420.
int vkPickerHeight(qsizetype count);
/// The alternative-title picker's rows: the title alone first (reported as no alternative), then
/// one per alternative title, marked by exact equality with `selectedAlt`.
QList<PickerOption> altPickerOptions(const QString &title, std::optional<int> year, const QStringList &altTitles,
    const std::optional<QString> &selectedAlt);

/// A popup list anchored below a button. It reports the chosen row and closes; a click elsewhere
/// closes it without a choice. It holds nothing but what it shows.
class PickerPopup : public QFrame {
    Q_OBJECT
public:
    PickerPopup(const QString &heading, const QString &caption, const QList<PickerOption> &options,
        bool monospaced, QWidget *parent);

    /// Shows the popup below `anchor`, `width` wide and, when `height` is set, that high.
    void popUp(QWidget *anchor, int width, std::optional<int> height = std::nullopt);
    QListView *list() const { return m_list; }

Q_SIGNALS:
    void chosen(int row);

private:
    QListView *m_list = nullptr;
};

/// The picker over a reply's candidates; emits `chosen` with the candidate's position.
PickerPopup *makeVKTitlePicker(const QList<MovieMatch> &candidates, const std::optional<QString> &selectedTitle,
    QWidget *parent);
/// The alternative-title picker; row 0 is the title alone, row i the alternative i − 1.
PickerPopup *makeYandexAltPicker(const QString &title, std::optional<int> year, const QStringList &altTitles,
    const std::optional<QString> &selectedAlt, QWidget *parent);

} // namespace tolvane
