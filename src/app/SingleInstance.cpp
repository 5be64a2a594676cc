#include "app/SingleInstance.h"

namespace tolvane {

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::start(const QList<QUrl> &) { return Role::alone; }

} // namespace tolvane
