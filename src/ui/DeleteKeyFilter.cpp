#include "ui/DeleteKeyFilter.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

namespace tolvane {

DeleteKeyFilter::DeleteKeyFilter(QWidget *window, std::function<bool()> enabled, std::function<void()> action)
    : QObject(window)
    , m_window(window)
    , m_enabled(std::move(enabled))
    , m_action(std::move(action))
{
    qApp->installEventFilter(this);
}

DeleteKeyFilter::~DeleteKeyFilter()
{
    qApp->removeEventFilter(this);
}

bool DeleteKeyFilter::isRemovalKey(int key, Qt::KeyboardModifiers modifiers)
{
    constexpr Qt::KeyboardModifiers held
        = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return (key == Qt::Key_Backspace || key == Qt::Key_Delete) && !(modifiers & held);
}

bool DeleteKeyFilter::isEditingText(const QWidget *focus)
{
    for (const QWidget *widget = focus; widget; widget = widget->parentWidget()) {
        if (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget)
            || qobject_cast<const QPlainTextEdit *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget))
            return true;
        if (const auto *combo = qobject_cast<const QComboBox *>(widget); combo && combo->isEditable())
            return true;
    }
    return false;
}

bool DeleteKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !m_window)
        return false;
    const auto *target = qobject_cast<QWidget *>(watched);
    if (!target || target->window() != m_window)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!isRemovalKey(key->key(), key->modifiers()) || isEditingText(QApplication::focusWidget()) || !m_enabled())
        return false;
    QTimer::singleShot(0, this, [this] { m_action(); });
    return true;
}

} // namespace tolvane
