#pragma once

#include "core/Records.h"
#include "ui/TitlePickers.h"

#include <QPointer>
#include <QWidget>

class QPushButton;

namespace tolvane {

class InfoLabel;
class StatusDot;

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
    StatusDot *m_dot = nullptr;
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

} // namespace tolvane
