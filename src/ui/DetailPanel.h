#pragma once

#include "library/MovieItem.h"
#include "ui/Controls.h"
#include "ui/TitlePickers.h"

#include <QPointer>
#include <QUuid>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListView;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace tolvane {

class DesktopServices;
class LibraryModel;
class MediaInfoListModel;

/// The path's components, "/" and empty ones dropped, and whether a separator comes first.
struct PathSegments {
    QStringList segments;
    bool leadingSeparator = false;
    bool operator==(const PathSegments &) const = default;
};
PathSegments pathSegments(const QString &path);

/// A path shown one component per line, each a link that reports its text.
class ClickablePathView : public QWidget {
    Q_OBJECT
public:
    explicit ClickablePathView(QWidget *parent = nullptr);
    void setPath(const QString &path);

Q_SIGNALS:
    void tokenClicked(const QString &token);

private:
    struct Line {
        QWidget *row;
        InfoLabel *separator;
        QToolButton *segment;
    };
    QList<Line> m_lines; // kept and re-labelled: switching rows makes no widgets
    QVBoxLayout *m_column = nullptr;
};

/// One engine's reply of the shown row: its state, summary and the buttons that steer it. It
/// reports the user's choices; the panel applies them to the row.
class EngineReplyRow : public QWidget {
    Q_OBJECT
public:
    explicit EngineReplyRow(QWidget *parent = nullptr);
    void show(const EngineReply &reply, bool isChosen);

    QPushButton *pickButton() const { return m_pick; }
    QPushButton *altButton() const { return m_alt; }
    QPushButton *useButton() const { return m_use; }
    QPushButton *checkButton() const { return m_check; }
    /// The popups while open; null otherwise.
    PickerPopup *pickPopover() const { return m_pickPopover; }
    PickerPopup *altPopover() const { return m_altPopover; }

Q_SIGNALS:
    void use();
    void check();
    void pickCandidate(int index);
    /// Row 0 of the picker is the title alone.
    void altChoice(int option);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void openPicker();
    void openAltPicker();

    EngineReply m_reply; // what is shown, to open the pickers with
    bool m_isChosen = false;
    QWidget *m_dot = nullptr;
    InfoLabel *m_name = nullptr;
    InfoLabel *m_chosen = nullptr;
    QPushButton *m_pick = nullptr;
    QPushButton *m_alt = nullptr;
    QPushButton *m_check = nullptr;
    QPushButton *m_use = nullptr;
    InfoLabel *m_summary = nullptr;
    InfoLabel *m_notes = nullptr;
    QPointer<PickerPopup> m_pickPopover;
    QPointer<PickerPopup> m_altPopover;
};

/// The right side of the window for the model's selected row. It is bound to one row at a time
/// and re-bound, not rebuilt, when the selection changes; it reads the row and calls its and the
/// model's operations, so the list, the command line and the tests see the same state.
class DetailPanel : public QWidget {
    Q_OBJECT
public:
    DetailPanel(LibraryModel &model, DesktopServices &desktop, QWidget *parent = nullptr);
    ~DetailPanel() override;

    /// Shows `item` (null: nothing) and follows its changes.
    void setItem(MovieItemPtr item);
    const MovieItemPtr &item() const { return m_item; }
    /// Re-reads the enabling of the action bar (the model's state changed).
    void updateActions();

    ClickablePathView *pathView() const { return m_path; }
    QLineEdit *extraTokensField() const { return m_extraTokens; }
    QLineEdit *postfixField() const { return m_postfix; }
    QCheckBox *overrideBox() const { return m_override; }
    QLabel *repliesPlaceholder() const { return m_noReplies; }
    QLabel *displayName() const { return m_displayName; }
    /// The reply rows in use, in reply order.
    QList<EngineReplyRow *> replyRows() const { return m_replyRows.mid(0, m_shownReplies); }
    QPushButton *lookupButton() const { return m_lookup; }
    QPushButton *renameButton() const { return m_rename; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showQuery();
    void showReplies();
    void showChosen();
    void showMedia();
    EngineReplyRow *replyRow(int index);
    /// The reply the row at `index` shows, when it still exists.
    const EngineReply *replyAt(int index) const;

    LibraryModel &m_model;
    DesktopServices &m_desktop;
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
    QLineEdit *m_postfix = nullptr;
    QCheckBox *m_override = nullptr;
    InfoLabel *m_catalog = nullptr;
    InfoLabel *m_query = nullptr;
    InfoLabel *m_notes = nullptr;
    InfoLabel *m_companions = nullptr;
    std::pair<QUuid, bool> m_companionsShownFor; // the row and renamability the line was read for
    MediaInfoListModel *m_media = nullptr;
    QListView *m_mediaList = nullptr;
    QPushButton *m_lookup = nullptr;
    QPushButton *m_check = nullptr;
    QPushButton *m_reveal = nullptr;
    QPushButton *m_rename = nullptr;
};

} // namespace tolvane
