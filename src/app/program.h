// The program's main sequence on whatever platform backend is in place: the screen and application
// objects, the main window, the event loop, and the end of the program.
#pragma once

// Runs Tessivo to its end and returns the exit code: 0 after a normal close, 1 after an error that
// escaped the start-up sequence (shown in the fatal box first).
int RunTessivo();
