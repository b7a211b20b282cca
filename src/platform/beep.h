#pragma once
// The system beep, which browsing buttons sound when a move passes the first
// or the last row. Tests put a hook in its place to count the beeps.
#include <functional>

namespace zv {

class Recordset;

void beep();
// Replaces the sound with `hook` (nullptr restores the sound); returns the previous hook.
std::function<void()> setBeepHook(std::function<void()> hook);

// The browsing buttons' moves: one row on, or one row back; a move past the
// last (first) row beeps and stays on it.
void moveNextOrBeep(Recordset& rs);
void movePreviousOrBeep(Recordset& rs);

}  // namespace zv
