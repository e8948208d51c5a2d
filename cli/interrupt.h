// Ctrl-C for the console: the first one asks the run to stop (a confirmed abort), the
// second one ends the program at once with the exit code of an aborted run.
#pragma once

// Installs the SIGINT handler. Blocking reads are not restarted after it, so a question
// waiting on the terminal sees the interrupt.
void InstallInterruptHandler();

// True once Ctrl-C has been pressed.
bool Interrupted();
