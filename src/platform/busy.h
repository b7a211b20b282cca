#pragma once
// One global hourglass: on is on, normal is normal, whatever the nesting.
#include <chrono>
#include <functional>

namespace zv {
void setBusy(bool on);
bool isBusy();

// Runs `work` on a thread of its own while this thread goes on handling
// every event but the user's input, so the windows keep painting; once the
// work has taken `patience`, `onSlow` runs here, once. Returns when the work
// has ended, throwing what it threw. Without an application object the work
// runs here and `onSlow` never does.
void runKeepingWindowsPainted(const std::function<void()>& work, std::chrono::milliseconds patience,
                              const std::function<void()>& onSlow);
}  // namespace zv
