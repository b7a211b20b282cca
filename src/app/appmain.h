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
// Starts the program on `folder` and runs the event loop until the program ends;
// returns the program's exit code. With ZV_EXIT_WHEN_SHOWN set in the
// environment, the program ends as soon as the main window has been drawn,
// after printing "main window shown" on standard output: a start timed from
// outside the process.
int startAndRun(const QString& folder);

// The main window's exit: the event loop ends once the current event has
// returned, whatever windows are left (hidden, or refusing to close). Does
// nothing while the program's event loop is not running.
void endProgram();

}  // namespace zv::shell
