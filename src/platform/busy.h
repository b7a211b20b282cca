#pragma once
// One global hourglass: on is on, normal is normal, whatever the nesting.
namespace zv {
void setBusy(bool on);
bool isBusy();
}  // namespace zv
