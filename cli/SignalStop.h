// Ctrl-C as the Stop button: the first one asks the run to stop after the
// current file and ends a question that waits for an answer; a second one
// ends the program at once (an output being written then never appears:
// outputs are put in place only when complete). POSIX: SIGINT; Windows: the
// console control handler.
#pragma once

// Installs the handler.
void InstallStopHandler();
// Whether Ctrl-C was pressed.
bool StopRequested();
