#pragma once

#include "library/MovieItem.h"
#include "ui/ClickablePathView.h"
#include "ui/Controls.h"
#include "ui/EditCommands.h"
#include "ui/EngineReplyRow.h"

#include <QUuid>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace tolvane {

class DesktopServices;
class Actions;
class LibraryModel;
class MediaInfoView;

/// The right side of the window for the model's selected row. It is bound to one row at a time
/// and re-bound, not rebuilt, when the selection changes; it reads the row and calls its and the
/// model's operations, so the list, the command line and the tests see the same state.
class DetailPanel : public QWidget {
    Q_OBJECT
public:
    /// The action bar places the window's own commands from `actions`.
    DetailPanel(LibraryModel &model, DesktopServices &desktop, Actions &actions, QWidget *parent = nullptr);
    ~DetailPanel() override;

    /// Shows `item` (null: nothing) and follows its changes.
    void setItem(MovieItemPtr item);
    const MovieItemPtr &item() const { return m_item; }

    ClickablePathView *pathView() const { return m_path; }
    QLineEdit *extraTokensField() const { return m_extraTokens; }
    QLineEdit *postfixField() const { return m_postfix; }
    QCheckBox *overrideBox() const { return m_override; }
    QLabel *repliesPlaceholder() const { return m_noReplies; }
    QLabel *displayName() const { return m_displayName; }
    /// "→ folder/name.ext" when the rename moves the file into its film's folder, hidden otherwise.
    QLabel *targetPath() const { return m_target; }
    QLabel *postfixLabel() const { return m_postfixLabel; }
    /// Shows the chosen block again: new naming options change its labels even where the row's
    /// name stays the same, and so tell the row nothing.
    void refreshChosen() { showChosen(); }
    /// The reply rows in use, in reply order.
    QList<EngineReplyRow *> replyRows() const { return m_replyRows.mid(0, m_shownReplies); }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showQuery();
    void showReplies();
    void showChosen();
    void showMedia();
    /// Makes `change` to the shown row as one edit of the window's history, named `text`.
    void edit(const QString &text, const std::function<void(MovieItem &)> &change, TypedField field = TypedField::none);
    EngineReplyRow *replyRow(int index);
    /// The reply the row at `index` shows, when it still exists.
    const EngineReply *replyAt(int index) const;

    LibraryModel &m_model;
    DesktopServices &m_desktop;
    Actions &m_actions;
    MovieItemPtr m_item;
    QObject *m_binding = nullptr; // owns the connections to the shown row

    ClickablePathView *m_path = nullptr;
    InfoLabel *m_stem = nullptr;
    QLineEdit *m_extraTokens = nullptr;
    InfoLabel *m_effectiveQuery = nullptr;
    InfoLabel *m_noReplies = nullptr;
    QVBoxLayout *m_replies = nullptr;
    QList<EngineReplyRow *> m_replyRows;
    int m_shownReplies = 0;
    QWidget *m_chosenBlock = nullptr;
    QToolButton *m_chosenCheck = nullptr;
    InfoLabel *m_displayName = nullptr;
    InfoLabel *m_target = nullptr;
    InfoLabel *m_postfixLabel = nullptr;
    QLineEdit *m_postfix = nullptr;
    QCheckBox *m_override = nullptr;
    InfoLabel *m_catalog = nullptr;
    InfoLabel *m_query = nullptr;
    InfoLabel *m_notes = nullptr;
    InfoLabel *m_companions = nullptr;
    std::pair<QUuid, bool> m_companionsShownFor; // the row and renamability the line was read for
    MediaInfoView *m_media = nullptr;
    QPushButton *m_lookup = nullptr;
};

} // namespace tolvane
