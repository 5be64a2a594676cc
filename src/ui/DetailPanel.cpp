#include "ui/DetailPanel.h"

#include "core/FilePaths.h"
#include "library/CompanionFiles.h"
#include "library/LibraryModel.h"
#include "library/NameBuilder.h"
#include "support/DesktopServices.h"
#include "ui/Actions.h"
#include "ui/Controls.h"
#include "ui/Fonts.h"
#include "ui/MediaInfoView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>

namespace tolvane {

namespace {

/// Adds `widget` to `column` with the block padding: 12 left and right, `top` above.
void addBlock(QVBoxLayout *column, QWidget *widget, int top)
{
    column->addSpacing(top);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(12, 0, 12, 0);
    row->addWidget(widget);
    column->addLayout(row);
}

} // namespace

DetailPanel::DetailPanel(LibraryModel &model, DesktopServices &desktop, Actions &actions, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_desktop(desktop)
    , m_actions(actions)
{
    setAccessibleName(tr("Detail"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // The blocks and the media summary scroll as one above the action bar, each as high as
    // it needs, so a short window never squeezes one of them into a scroller of its own.
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *top = new QWidget(scroll);
    auto *column = new QVBoxLayout(top);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    addBlock(column, captionLabel(tr("Path"), top), 12);
    m_path = new ClickablePathView(top);
    addBlock(column, m_path, 4);
    addBlock(column, captionLabel(tr("Search query"), top), 12);
    m_stem = new InfoLabel(QString(), fonts::monospacedCaption(), top, InfoLabel::Tone::primary);
    m_stem->setWordWrap(true);
    m_stem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addBlock(column, m_stem, 2);
    addBlock(column, captionLabel(tr("Extra tokens"), top), 8);
    m_extraTokens = new QLineEdit(top);
    m_extraTokens->setPlaceholderText(tr("year, director…"));
    m_extraTokens->setToolTip(tr("Appended to the stem for all engines, e.g. “1976” or “Vessarin”"));
    m_extraTokens->setAccessibleName(tr("Extra tokens"));
    addBlock(column, m_extraTokens, 2);
    m_effectiveQuery = new InfoLabel(QString(), fonts::smallCaption(font()), top);
    m_effectiveQuery->setWordWrap(true);
    m_effectiveQuery->setContext(tr("Effective query"));
    addBlock(column, m_effectiveQuery, 2);
    addBlock(column, captionLabel(tr("Search engines"), top), 12);
    column->addSpacing(4);
    m_noReplies = captionLabel(QString(), top);
    addBlock(column, m_noReplies, 0);
    auto *replies = new QWidget(top);
    m_replies = new QVBoxLayout(replies);
    m_replies->setContentsMargins(0, 0, 0, 0);
    m_replies->setSpacing(8);
    addBlock(column, replies, 0);

    m_chosenBlock = new QWidget(top);
    auto *chosen = new QVBoxLayout(m_chosenBlock);
    chosen->setContentsMargins(0, 0, 0, 0);
    chosen->setSpacing(4);
    auto *chosenHeader = new QHBoxLayout;
    chosenHeader->addWidget(captionLabel(tr("Chosen"), m_chosenBlock));
    m_chosenCheck = new QToolButton(m_chosenBlock);
    //: Opens a web search to check the chosen film
    m_chosenCheck->setText(tr("Check"));
    m_chosenCheck->setFont(fonts::caption(font()));
    m_chosenCheck->setAccessibleName(tr("Check chosen match"));
    chosenHeader->addWidget(m_chosenCheck);
    chosenHeader->addStretch(1);
    chosen->addLayout(chosenHeader);
    m_displayName = new InfoLabel(
        QString(), fonts::scaled(font(), -1, QFont::Medium), m_chosenBlock, InfoLabel::Tone::primary);
    m_displayName->setWordWrap(true);
    m_displayName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_displayName->setContext(tr("New name"));
    chosen->addWidget(m_displayName);
    m_target = new InfoLabel(QString(), fonts::smallCaption(font()), m_chosenBlock);
    m_target->setWordWrap(true);
    m_target->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_target->setContext(tr("Moved to"));
    chosen->addWidget(m_target);
    m_companions = new InfoLabel(QString(), fonts::smallCaption(font()), m_chosenBlock);
    m_companions->setWordWrap(true);
    m_companions->setContext(tr("Files moved along"));
    chosen->addWidget(m_companions);
    auto *postfixLine = new QHBoxLayout;
    postfixLine->setSpacing(8);
    auto *postfixStack = new QVBoxLayout;
    postfixStack->setSpacing(2);
    m_postfixLabel = new InfoLabel(tr("Name postfix"), fonts::smallCaption(font()), m_chosenBlock);
    postfixStack->addWidget(m_postfixLabel);
    m_postfix = new QLineEdit(m_chosenBlock);
    m_postfix->setAccessibleName(tr("Name postfix"));
    postfixStack->addWidget(m_postfix);
    postfixLine->addLayout(postfixStack, 1);
    //: Name the file after the postfix alone, in place of the title
    m_override = new QCheckBox(tr("Override"), m_chosenBlock);
    m_override->setFont(fonts::caption(font()));
    m_override->setToolTip(tr("Use postfix alone as the new file name"));
    m_override->setAccessibleName(tr("Override"));
    auto *overrideStack = new QVBoxLayout;
    overrideStack->addSpacing(14);
    overrideStack->addWidget(m_override);
    postfixLine->addLayout(overrideStack);
    chosen->addSpacing(4);
    chosen->addLayout(postfixLine);
    m_catalog = new InfoLabel(QString(), fonts::smallCaption(font()), m_chosenBlock);
    m_catalog->setTextFormat(Qt::RichText);
    m_catalog->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    chosen->addWidget(m_catalog);
    m_query = new InfoLabel(QString(), fonts::smallCaption(font()), m_chosenBlock);
    m_query->setWordWrap(true);
    chosen->addWidget(m_query);
    m_notes = captionLabel(QString(), m_chosenBlock);
    m_notes->setWordWrap(true);
    m_notes->setContentsMargins(0, 4, 0, 0);
    chosen->addWidget(m_notes);
    addBlock(column, m_chosenBlock, 12);
    addBlock(column, captionLabel(tr("MediaInfo"), top), 14);
    column->addSpacing(4);
    m_media = new MediaInfoView(top);
    addBlock(column, m_media, 0);
    column->addStretch(1);
    scroll->setWidget(top);
    outer->addWidget(scroll, 1);

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    outer->addWidget(divider);
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(12, 12, 12, 12);
    bar->setSpacing(8);
    m_lookup = actionButton(m_actions.action(Command::lookupSelected), this, true);
    m_lookup->setDefault(true);
    bar->addWidget(m_lookup);
    for (Command command : {Command::check, Command::reveal, Command::rename})
        bar->addWidget(actionButton(m_actions.action(command), this, true));
    bar->addStretch(1);
    outer->addLayout(bar);

    connect(m_path, &ClickablePathView::tokenClicked, this, [this](const QString &token) {
        edit(tr("Add “%1” to Extra Tokens").arg(token), [token](MovieItem &row) { row.addExtraToken(token); });
    });
    connect(m_extraTokens, &QLineEdit::textEdited, this, [this](const QString &text) {
        edit(tr("Edit Extra Tokens"), [text](MovieItem &row) { row.setExtraTokens(text); },
            TypedField::extraTokens);
    });
    connect(m_postfix, &QLineEdit::textEdited, this, [this](const QString &text) {
        edit(tr("Edit Name Postfix"), [text](MovieItem &row) {
            row.setNamePostfix(text);
            row.updateProposedName();
        }, TypedField::namePostfix);
    });
    connect(m_override, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_item || m_item->namePostfixOverride() == on)
            return;
        edit(on ? tr("Use Postfix as Name") : tr("Use Title as Name"), [on](MovieItem &row) {
            row.setNamePostfixOverride(on);
            row.updateProposedName();
        });
    });
    connect(m_chosenCheck, &QToolButton::clicked, m_actions.action(Command::check), &QAction::trigger);
    connect(m_catalog, &QLabel::linkActivated, this, [this](const QString &link) { m_desktop.openUrl(QUrl(link)); });

    // A row per engine made, and every block polished, up front: the first replies of a lookup
    // then only re-label widgets, instead of building and styling them while the list is busy.
    for (int index = 0; index < int(allSearchEngines.size()); ++index)
        replyRow(index);
    ensurePolished();
    setItem(nullptr);
}

DetailPanel::~DetailPanel() = default;

void DetailPanel::setItem(MovieItemPtr item)
{
    if (item == m_item && item)
        return;
    delete m_binding;
    m_binding = nullptr;
    m_item = std::move(item);
    for (EngineReplyRow *row : std::as_const(m_replyRows)) {
        if (row->pickPopover())
            row->pickPopover()->close();
        if (row->altPopover())
            row->altPopover()->close();
    }
    if (m_item) {
        m_binding = new QObject(this);
        MovieItem *shown = m_item.get();
        connect(shown, &MovieItem::extraTokensChanged, m_binding, [this] { showQuery(); });
        connect(shown, &MovieItem::listedFieldsChanged, m_binding, [this] {
            showReplies();
            showChosen();
        });
        for (auto signal : {&MovieItem::namePostfixChanged, &MovieItem::namePostfixOverrideChanged})
            connect(shown, signal, m_binding, [this] { showChosen(); });
        connect(shown, &MovieItem::mediaInfoChanged, m_binding, [this] { showMedia(); });
        m_path->setPath(readableName(m_item->nativePath()));
        m_stem->setText(m_item->searchStem());
    }
    setEnabled(m_item != nullptr);
    showQuery();
    showReplies();
    showChosen();
    showMedia();
}

void DetailPanel::showQuery()
{
    const QString tokens = m_item ? m_item->extraTokens() : QString();
    if (m_extraTokens->text() != tokens)
        m_extraTokens->setText(tokens);
    const bool any = !tokens.trimmed().isEmpty();
    m_effectiveQuery->setVisible(any);
    if (any)
        m_effectiveQuery->setText(QStringLiteral("→ ") + m_item->effectiveQuery());
}

EngineReplyRow *DetailPanel::replyRow(int index)
{
    while (m_replyRows.size() <= index) {
        auto *row = new EngineReplyRow(m_replies->parentWidget());
        const int position = int(m_replyRows.size());
        connect(row, &EngineReplyRow::use, this, [this, position] {
            if (const EngineReply *reply = replyAt(position)) {
                const SearchEngine engine = reply->engine;
                //: The name of an edit: %1 is the search engine whose film is used
                edit(tr("Use %1").arg(rawValue(engine)), [engine](MovieItem &row) { row.useEngine(engine); });
            }
        });
        connect(row, &EngineReplyRow::check, this, [this, position] {
            if (const EngineReply *reply = replyAt(position); reply && reply->status.match())
                m_model.openGoogleSearch(matchBaseName(*reply->status.match()));
        });
        connect(row, &EngineReplyRow::pickCandidate, this, [this, position](int candidate) {
            const EngineReply *reply = replyAt(position);
            if (!reply || candidate < 0 || candidate >= reply->candidates.size())
                return;
            const MovieMatch picked = reply->candidates[candidate];
            const SearchEngine engine = reply->engine;
            edit(tr("Pick “%1”").arg(picked.title),
                [picked, engine](MovieItem &row) { row.applyMatch(picked, engine); });
        });
        connect(row, &EngineReplyRow::altChoice, this, [this, position](int option) {
            const EngineReply *reply = replyAt(position);
            const MovieMatch *match = reply ? reply->status.match() : nullptr;
            if (!match || option < 0 || option > match->altTitles.size())
                return;
            const std::optional<QString> alt = option == 0 ? std::nullopt : std::optional(match->altTitles[option - 1]);
            const SearchEngine engine = reply->engine;
            edit(alt ? tr("Pick Alternative “%1”").arg(*alt) : tr("Clear Alternative Title"),
                [alt, engine](MovieItem &row) { row.setSelectedAltTitle(alt, engine); });
        });
        m_replies->addWidget(row);
        m_replyRows.append(row);
    }
    return m_replyRows[index];
}

const EngineReply *DetailPanel::replyAt(int index) const
{
    if (!m_item || index >= m_item->engineReplies().size())
        return nullptr;
    return &m_item->engineReplies()[index];
}

void DetailPanel::showReplies()
{
    const QList<EngineReply> replies = m_item ? m_item->engineReplies() : QList<EngineReply>();
    const bool idle = !m_item || m_item->status().kind() == LookupStatus::Kind::idle;
    m_noReplies->setVisible(replies.isEmpty());
    m_noReplies->setText(idle ? tr("Not searched yet — Lookup Selected") : QStringLiteral("—"));
    const std::optional<SearchEngine> chosen = m_item ? m_item->chosenEngine() : std::nullopt;
    for (int index = 0; index < replies.size(); ++index)
        replyRow(index)->show(replies[index], chosen == replies[index].engine);
    m_shownReplies = int(replies.size());
    for (int index = 0; index < m_replyRows.size(); ++index)
        m_replyRows[index]->setVisible(index < m_shownReplies);
}

void DetailPanel::showChosen()
{
    const std::optional<MovieMatch> match = m_item ? m_item->chosenMatch() : std::nullopt;
    m_chosenBlock->setVisible(match.has_value());
    if (!match)
        return;
    const QString base = matchBaseName(*match);
    m_chosenCheck->setToolTip(tr("Open Google search for “%1”").arg(base));
    const bool override = m_item->namePostfixOverride();
    const LibraryLayout layout = m_item->namingOptions().layout;
    // A media server reads the postfix as the film's edition.
    const bool server = layout != LibraryLayout::flat;
    const std::optional<ServerNameParts> parts = server && !override ? m_item->nameParts() : std::nullopt;
    const QString display = parts ? serverBaseName(layout, *parts)
                                  : proposedBaseName(match->title, match->year, match->selectedAltTitle,
                                        m_item->flatPostfix(), override);
    m_displayName->setText(
        !display.isEmpty() ? display : override ? tr("(enter postfix)") : QStringLiteral("—"));
    // Where the file goes, when that is more than a new name: its film's folder.
    const bool moves = m_item->proposedName() && !m_item->proposedFolder().isEmpty();
    m_target->setVisible(moves);
    if (moves)
        m_target->setText(QStringLiteral("→ ") + m_item->proposedPath());
    if (m_postfix->text() != m_item->namePostfix())
        m_postfix->setText(m_item->namePostfix());
    //: A film's edition, as media servers name it: Director's Cut, Extended…
    const QString postfixName = server ? tr("Edition") : tr("Name postfix");
    m_postfixLabel->setText(postfixName);
    m_postfix->setAccessibleName(postfixName);
    m_postfix->setPlaceholderText(override ? tr("full name")
            : server                       ? tr("Edition")
                                           : tr("optional"));
    m_postfix->setToolTip(override ? tr("Override: file name is only this postfix + extension")
            : server               ? tr("The film's edition, e.g. Director's Cut; empty for none")
                                   : tr("Appended after year: Title[Alt](Year)_postfix.ext"));
    m_override->setChecked(override);
    QString catalog = tr("Catalog: %1").arg(rawValue(match->site).toHtmlEscaped());
    if (match->pageURL) {
        const QString url = match->pageURL->toString(QUrl::FullyEncoded);
        catalog += QStringLiteral(" <a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), url.toHtmlEscaped());
    }
    m_catalog->setText(catalog);
    m_query->setText(tr("Query: %1").arg(match->sourceQuery));
    const bool notes = match->notes && !match->notes->trimmed().isEmpty();
    m_notes->setVisible(notes);
    if (notes)
        m_notes->setText(*match->notes);
    // The files moving along depend on the folder and the row's file, not on the name typed:
    // the folder is listed once per row and again only when the row becomes renamable or not.
    const std::pair<QUuid, bool> state{m_item->id(), m_item->canRename()};
    if (state != m_companionsShownFor) {
        m_companionsShownFor = state;
        m_companions->setText(companionSummaryText(companionMovesFor(*m_item)));
    }
    m_companions->setVisible(!m_companions->text().isEmpty());
}

void DetailPanel::showMedia()
{
    m_media->setRows(m_item ? m_item->mediaInfo() : QList<MediaInfoRow>());
}

void DetailPanel::edit(const QString &text, const std::function<void(MovieItem &)> &change, TypedField field)
{
    editRow(m_actions.history(), m_model, m_item, text, change, field);
}

void DetailPanel::keyPressEvent(QKeyEvent *event)
{
    // Return reaches the panel when no text field or button took it: the default action.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_lookup->isEnabled()) {
        m_lookup->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tolvane
