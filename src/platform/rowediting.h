#pragma once
// What the editor windows do with the row they show: the moves of their four
// browsing buttons, and what is left of an edit whose save failed.
#include <array>
#include <functional>

class QPushButton;

namespace zv {

class Form;
class Recordset;

enum class BrowseMove { First, Previous, Next, Last };

// The move of one browsing button; a move past the first or the last row
// beeps and stays on it.
void browse(Recordset& rs, BrowseMove move);

// Wires the browsing buttons <<<, <, > and >>> of `form`: a click moves `rs`
// and then `show`s the row, as one of the form's event procedures.
void connectBrowsing(Form& form, Recordset& rs, const std::array<QPushButton*, 4>& firstPreviousNextLast,
                     const std::function<void()>& show);

// After a save that failed, the window's boxes still hold what was typed. A
// new row that was not stored stays a new row, so the next save cannot
// overwrite the row before it; a shown row drops the half-written change.
void keepEditAfterFailedSave(Recordset& rs, bool wasNew);

}  // namespace zv
