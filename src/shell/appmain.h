#pragma once
#include <QApplication>

namespace zv::shell {

// Registers every window with the registry (once).
void registerForms();
// The main window's own entry in the registry (defined beside it, so that
// nothing else needs to know its class).
void registerMainWindow();

// Takes the program folder from the first argument (else the default one),
// starts the program and runs the event loop.
int runProgram(QApplication& app);

}  // namespace zv::shell
