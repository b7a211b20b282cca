#pragma once
#include <QByteArray>

namespace zv {

// The English language file as shipped, built into the program when it is
// compiled: the captions it holds outlive a deleted or damaged en.ini.
QByteArray builtInEnglishIni();

}  // namespace zv
