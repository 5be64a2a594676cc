#pragma once

#include "support/CancellationHandle.h"

#include <QCoroTask>

#include <chrono>
#include <memory>

namespace tolvane {

/// Sleeps on the event loop for `duration`, or less if `cancellation` fires first.
/// Returns false when the sleep was cut short by a cancellation.
QCoro::Task<bool> sleepUnlessCancelled(
    std::chrono::nanoseconds duration, std::shared_ptr<CancellationHandle> cancellation);

} // namespace tolvane
