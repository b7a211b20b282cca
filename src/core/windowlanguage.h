#pragma once
#include <QString>

namespace zv {

// The language file the windows take their captions from: the session's
// `linguax`, else the one general.ini names (a window opened while no main
// window is loaded).
QString windowLanguageFile();

}  // namespace zv
