#include "ui/SettingsDialog.h"

namespace tolvane {

SettingsDialog::SettingsDialog(DesktopServices &, QWidget *parent)
    : QDialog(parent)
{
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::setResetAction(std::function<void()>) { }

} // namespace tolvane
