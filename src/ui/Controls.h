#pragma once

#include <QLabel>
#include <QPushButton>

class QAction;

namespace tolvane {

/// A label that shows information. Screen readers read what it shows, after a context
/// ("Status: …") where the text alone would not say what it is: a fixed accessible name would
/// hide every text the label shows from them.
class InfoLabel : public QLabel {
public:
    enum class Tone { primary, secondary };

    /// Plain text in `font`; a secondary label is drawn in the palette's secondary text colour.
    InfoLabel(const QString &text, const QFont &font, QWidget *parent, Tone tone = Tone::secondary);

    /// Read as "<context>: <text>" from now on; an empty context reads the text alone.
    void setContext(const QString &context);
    /// Shows `text` and names the label after it; the text already shown changes nothing.
    /// It hides QLabel::setText, so call it through an InfoLabel.
    void setText(const QString &text);
    /// The whole text, also when the label shows it elided.
    const QString &fullText() const { return m_fullText; }
    /// Shows the text on one line, elided in the middle to the width the label is given; the
    /// whole text is its hover help.
    void elideToWidth();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showText();

    QString m_fullText;
    QString m_context;
    bool m_elides = false;
};

/// A secondary label in the caption font of `parent`.
InfoLabel *captionLabel(const QString &text, QWidget *parent);

/// A push button that leaves Return to the default button, named as it reads. A compact one
/// is as wide as its text, in the caption font: the style's 80-pixel minimum would push a
/// reply's last buttons out of the panel.
QPushButton *pushButton(const QString &text, QWidget *parent, bool compact = false);

/// A push button placing `action`: a click triggers it, and it follows the action's enabling,
/// hover help and text (the short icon text when `brief`), so it never disagrees with the menus.
QPushButton *actionButton(QAction *action, QWidget *parent, bool brief = false);

} // namespace tolvane
