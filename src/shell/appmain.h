#pragma once
#include <QApplication>

namespace zv::shell {

// Registers every window with the registry (once).
void registerForms();

// Takes the program folder from the first argument (else the default one),
// starts the program and runs the event loop.
int runProgram(QApplication& app);

}  // namespace zv::shell
