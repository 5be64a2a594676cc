#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace tolvane {

/// Backspace and Delete remove the selected rows from anywhere in the window, unless a text field
/// has focus (then they edit the text) or a modifier other than Keypad is held. The removal is
/// posted, so it runs after the key event has been handled.
class DeleteKeyFilter : public QObject {
    Q_OBJECT
public:
    /// Watches key presses of `window` and its children (installed on the application, as the
    /// focus may sit in any child). `enabled` is asked at each press.
    DeleteKeyFilter(QWidget *window, std::function<bool()> enabled, std::function<void()> action);
    ~DeleteKeyFilter() override;

    /// Backspace or Delete, with no Shift, Control, Alt or Meta.
    static bool isRemovalKey(int key, Qt::KeyboardModifiers modifiers);
    /// True when `focus` is a text field, a text editor, or sits inside one.
    static bool isEditingText(const QWidget *focus);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    std::function<bool()> m_enabled;
    std::function<void()> m_action;
};

} // namespace tolvane
