#include "support/WorkPool.h"

#include <QThread>

#include <algorithm>

namespace tolvane {

QThreadPool &workPool()
{
    static QThreadPool *pool = [] {
        auto *created = new QThreadPool;
        // Work here waits on disks and child processes more than on the CPU; a few threads beyond
        // the core count keep slow files from queueing behind each other without flooding the disk.
        created->setMaxThreadCount(std::clamp(QThread::idealThreadCount() * 2, 2, 8));
        return created;
    }();
    return *pool;
}

} // namespace tolvane
