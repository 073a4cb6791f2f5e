// Ctrl-C (SIGINT) as the Stop button: the first one asks the run to stop after
// the current file; a second one ends the program at once (an output being
// written then is left as a temporary file, never as a damaged output).
#pragma once

// Installs the handler. System calls are not restarted, so a question waiting
// for an answer returns at once.
void InstallStopHandler();
// Whether Ctrl-C was pressed.
bool StopRequested();
