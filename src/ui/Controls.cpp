#include "ui/Controls.h"

#include "ui/Fonts.h"
#include "ui/NamedColors.h"

#include <QAction>
#include <QTextDocument>

namespace tolvane {

InfoLabel::InfoLabel(const QString &text, const QFont &font, QWidget *parent, Tone tone)
    : QLabel(parent)
{
    setFont(font);
    setTextFormat(Qt::PlainText);
    if (tone == Tone::secondary)
        setTextColor(this, secondaryTextColor(palette()));
    m_fullText = text;
    showText();
}

void InfoLabel::setContext(const QString &context)
{
    m_context = context;
    showText();
}

void InfoLabel::setText(const QString &text)
{
    if (text == m_fullText)
        return;
    m_fullText = text;
    showText();
}

void InfoLabel::elideToWidth()
{
    m_elides = true;
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    showText();
}

QSize InfoLabel::sizeHint() const
{
    if (!m_elides)
        return QLabel::sizeHint();
    return {fontMetrics().horizontalAdvance(m_fullText) + 2, QLabel::sizeHint().height()};
}

QSize InfoLabel::minimumSizeHint() const
{
    return m_elides ? QSize(40, QLabel::minimumSizeHint().height()) : QLabel::minimumSizeHint();
}

void InfoLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    if (m_elides)
        showText();
}

void InfoLabel::showText()
{
    const QString shown = m_elides ? fontMetrics().elidedText(m_fullText, Qt::ElideMiddle, width()) : m_fullText;
    if (shown != text())
        QLabel::setText(shown);
    if (m_elides)
        setToolTip(m_fullText);
    QString readable = m_fullText;
    if (textFormat() == Qt::RichText || (textFormat() == Qt::AutoText && Qt::mightBeRichText(readable))) {
        QTextDocument document;
        document.setHtml(readable);
        readable = document.toPlainText();
    }
    if (!m_context.isEmpty())
        readable = m_context + QStringLiteral(": ") + readable;
    if (readable != accessibleName())
        setAccessibleName(readable);
}

InfoLabel *captionLabel(const QString &text, QWidget *parent)
{
    return new InfoLabel(text, fonts::caption(parent->font()), parent);
}

namespace {

class CompactButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    QSize sizeHint() const override
    {
        QSize size = QPushButton::sizeHint();
        size.setWidth(fontMetrics().horizontalAdvance(text()) + 16);
        return size;
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

/// The text as it reads: "&&" shows one ampersand, a single one marks the shortcut letter.
QString readableButtonText(const QString &text)
{
    QString readable;
    for (qsizetype index = 0; index < text.size(); ++index) {
        if (text[index] == QLatin1Char('&') && index + 1 < text.size())
            ++index;
        readable += text[index];
    }
    return readable;
}

} // namespace

QPushButton *pushButton(const QString &text, QWidget *parent, bool compact)
{
    QPushButton *button = compact ? new CompactButton(text, parent) : new QPushButton(text, parent);
    if (compact)
        button->setFont(fonts::caption(parent->font()));
    button->setAccessibleName(readableButtonText(text));
    button->setAutoDefault(false);
    return button;
}

QPushButton *actionButton(QAction *action, QWidget *parent, bool brief)
{
    QPushButton *button = pushButton(brief ? action->iconText() : action->text(), parent);
    const auto follow = [button, action, brief] {
        const QString text = brief ? action->iconText() : action->text();
        if (text != button->text()) {
            button->setText(text);
            button->setAccessibleName(readableButtonText(text));
        }
        button->setToolTip(action->toolTip());
        button->setEnabled(action->isEnabled());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

} // namespace tolvane
