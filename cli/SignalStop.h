// Ctrl-C (SIGINT) as the Stop button: the first one asks the run to stop after
// the current file; a second one ends the program at once (an output being
// written then never appears: outputs are put in place only when complete).
#pragma once

// Installs the handler. System calls are not restarted, so a question waiting
// for an answer returns at once.
void InstallStopHandler();
// Whether Ctrl-C was pressed.
bool StopRequested();
