#include "ui/EngineReplyRow.h"

#include "library/NameBuilder.h"
#include "ui/Controls.h"
#include "ui/Fonts.h"
#include "ui/NamedColors.h"
#include "ui/StatusDot.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

EngineReplyRow::EngineReplyRow(QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(2);
    auto *header = new QHBoxLayout;
    header->setSpacing(6);
    m_dot = new StatusDot(this);
    m_name = new InfoLabel(QString(), fonts::scaled(font(), -2, QFont::DemiBold), this, InfoLabel::Tone::primary);
    m_chosen = new InfoLabel(tr("chosen"), fonts::smallCaption(font()), this, InfoLabel::Tone::primary);
    setTextColor(m_chosen, namedColor(NamedColor::green, palette()));
    m_pick = pushButton(QString(), this, true);
    m_alt = pushButton(QString(), this, true);
    //: Opens a web search to check this engine's film
    m_check = pushButton(tr("Check"), this, true);
    //: Makes this engine's film the one the file is named after
    m_use = pushButton(tr("Use"), this, true);
    header->addWidget(m_dot);
    header->addWidget(m_name);
    header->addWidget(m_chosen);
    header->addStretch(1);
    for (QPushButton *button : {m_pick, m_alt, m_check, m_use})
        header->addWidget(button);
    column->addLayout(header);
    m_summary = new InfoLabel(QString(), fonts::smallCaption(font()), this, InfoLabel::Tone::primary);
    m_summary->setWordWrap(true);
    column->addWidget(m_summary);
    m_notes = new InfoLabel(QString(), fonts::smallCaption(font()), this);
    m_notes->setWordWrap(true);
    m_notes->setContentsMargins(0, 2, 0, 0);
    column->addWidget(m_notes);

    connect(m_use, &QPushButton::clicked, this, &EngineReplyRow::use);
    connect(m_check, &QPushButton::clicked, this, &EngineReplyRow::check);
    connect(m_pick, &QPushButton::clicked, this, &EngineReplyRow::openPicker);
    connect(m_alt, &QPushButton::clicked, this, &EngineReplyRow::openAltPicker);
}

void EngineReplyRow::show(const EngineReply &reply, bool isChosen)
{
    m_reply = reply;
    m_isChosen = isChosen;
    const MovieMatch *match = reply.status.match();
    const QString engine = rawValue(reply.engine);
    const QString summary = replySummary(reply);
    using Kind = EngineReplyStatus::Kind;
    const Kind kind = reply.status.kind();
    m_dot->setColor(namedColor(
        kind == Kind::success ? NamedColor::green : kind == Kind::failed ? NamedColor::red : NamedColor::orange,
        palette()));
    m_name->setText(engine);
    m_chosen->setVisible(isChosen);
    m_pick->setVisible(match && reply.candidates.size() >= 2);
    const int candidates = int(reply.candidates.size());
    //: Opens the list of the films found, to pick another; %n is their count
    m_pick->setText(tr("Pick (%n)", nullptr, candidates));
    //: %1 is the search engine's name
    m_pick->setAccessibleName(tr("Pick, %n %1 titles", nullptr, candidates).arg(engine));
    m_alt->setVisible(match && !match->altTitles.isEmpty());
    //: Alt: the alternative title added to the name in brackets
    m_alt->setText(match && match->selectedAltTitle ? tr("Alt…") : tr("Alt: off"));
    m_alt->setAccessibleName(tr("Alternative title of %1: %2")
            .arg(engine, match && match->selectedAltTitle ? *match->selectedAltTitle : tr("off")));
    m_check->setAccessibleName(tr("Check %1").arg(engine));
    m_use->setAccessibleName(tr("Use %1").arg(engine));
    m_use->setEnabled(!(isChosen && reply.candidates.size() < 2));
    m_summary->setText(summary);
    setTextColor(m_summary, kind == Kind::success ? palette().text().color()
            : kind == Kind::failed                ? namedColor(NamedColor::red, palette())
                                                  : secondaryTextColor(palette()));
    const bool notes = match && match->notes && !match->notes->trimmed().isEmpty();
    m_notes->setVisible(notes);
    if (notes)
        m_notes->setText(*match->notes);
    setAccessibleName(engine + QStringLiteral(": ") + summary);
    update();
}

void EngineReplyRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = m_isChosen ? namedColor(NamedColor::green, palette()) : secondaryTextColor(palette());
    fill.setAlphaF(m_isChosen ? 0.08 : 0.06);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 6, 6);
}

void EngineReplyRow::openPicker()
{
    const MovieMatch *match = m_reply.status.match();
    if (!match)
        return;
    PickerPopup *popup = makeVKTitlePicker(m_reply.candidates, match->title, this);
    m_pickPopover = popup;
    connect(popup, &PickerPopup::chosen, this, &EngineReplyRow::pickCandidate);
    popup->popUp(m_pick, 320, vkPickerHeight(m_reply.candidates.size()));
}

void EngineReplyRow::openAltPicker()
{
    const MovieMatch *match = m_reply.status.match();
    if (!match)
        return;
    PickerPopup *popup = makeYandexAltPicker(match->title, match->year, match->altTitles, match->selectedAltTitle, this);
    m_altPopover = popup;
    connect(popup, &PickerPopup::chosen, this, &EngineReplyRow::altChoice);
    popup->popUp(m_alt, 340);
}

} // namespace tolvane
