#pragma once

#include <functional>

namespace tamsel {

class Form1;

// Tamsel from start to end: the application, the main window's start-up, showing it, opening the
// record sources and the event loop. `started` runs once the window is up and what it reads
// after its first paint is read; the tests' driver uses it to work the real program from outside.
int runProgram(int &argc, char **argv, const std::function<void(Form1 &)> &started = {});

// Shows the loaded main window; once it has been painted, reads the knowledge descriptions and
// opens the record sources, then calls `started`.
void showMainWindow(Form1 &form, const std::function<void(Form1 &)> &started = {});

} // namespace tamsel
